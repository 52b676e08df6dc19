// Measures reading a 32,767 x 20 result of mixed types from SQLite three
// ways in one run: through the ODBC layer (row arrays), through SQLite's
// own C API, and through ODBC with one SQLGetData call per cell. Prints
// the times and the ratios between them.
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/huge_page_heap.h"
#include "odbc/odbc_factory.h"
#include "odbc/utf16.h"
#include "platform/platform_error.h"
#include "platform/value.h"

namespace tv = tallyvane;
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 32767;
constexpr int kRuns = 5;
constexpr const char* kQuery = "SELECT * FROM report ORDER BY id";

// Twenty columns: whole and floating numbers, text of several lengths,
// dates, times, time stamps, Booleans and a small binary value.
constexpr const char* kColumns[20] = {
    "id integer primary key",
    "qty integer",
    "total bigint",
    "price double",
    "rate real",
    "amount numeric(12,2)",
    "name text",
    "code varchar(12)",
    "note text",
    "city text",
    "day date",
    "stamp timestamp",
    "at time",
    "flag boolean",
    "score double",
    "rank integer",
    "label varchar(40)",
    "due date",
    "ratio double",
    "tag blob",
};

std::uint64_t Checksum(const tv::Value& v) {
  switch (v.kind) {
    case tv::Value::Kind::Integer: return static_cast<std::uint64_t>(v.integer);
    case tv::Value::Kind::Number:
    case tv::Value::Kind::Decimal: return static_cast<std::uint64_t>(v.number * 100);
    case tv::Value::Kind::Text:
    case tv::Value::Kind::Binary: return v.text.size();
    case tv::Value::Kind::Boolean: return v.boolean ? 1 : 0;
    case tv::Value::Kind::Date:
    case tv::Value::Kind::Time:
    case tv::Value::Kind::DateTime: return static_cast<std::uint64_t>(v.date_time.day + v.date_time.second);
    case tv::Value::Kind::Null: return 7;
  }
  return 0;
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(2);
  }
}

void CreateDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db, "open");
  std::string ddl = "CREATE TABLE report (";
  for (int c = 0; c < 20; ++c) ddl += std::string(c ? ", " : "") + kColumns[c];
  ddl += ")";
  Check(sqlite3_exec(db, ddl.c_str(), nullptr, nullptr, nullptr), db, "create");
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO report VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert,
                           nullptr),
        db, "prepare");
  const char* cities[] = {"Z\xC3\xBCrich", "Lyon", "S\xC3\xA3o Paulo", "Ume\xC3\xA5", "\xE6\x9D\xB1\xE4\xBA\xAC"};
  char text[128];
  for (int r = 0; r < kRows; ++r) {
    sqlite3_reset(insert);
    sqlite3_bind_int(insert, 1, r);
    sqlite3_bind_int(insert, 2, r % 97);
    sqlite3_bind_int64(insert, 3, 10000000000LL + r);
    sqlite3_bind_double(insert, 4, r * 0.25);
    sqlite3_bind_double(insert, 5, 1.0 / (r + 1));
    sqlite3_bind_double(insert, 6, r * 1.5);
    std::snprintf(text, sizeof text, "Customer %d", r);
    sqlite3_bind_text(insert, 7, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "C%06d", r);
    sqlite3_bind_text(insert, 8, text, -1, SQLITE_TRANSIENT);
    if (r % 5 == 0) {
      sqlite3_bind_null(insert, 9);
    } else {
      std::snprintf(text, sizeof text, "Delivered on time, invoice %d settled in full", r);
      sqlite3_bind_text(insert, 9, text, -1, SQLITE_TRANSIENT);
    }
    sqlite3_bind_text(insert, 10, cities[r % 5], -1, SQLITE_STATIC);
    std::snprintf(text, sizeof text, "2024-%02d-%02d", r % 12 + 1, r % 28 + 1);
    sqlite3_bind_text(insert, 11, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "2024-%02d-%02d %02d:%02d:%02d", r % 12 + 1, r % 28 + 1, r % 24, r % 60,
                  (r / 60) % 60);
    sqlite3_bind_text(insert, 12, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", r % 24, r % 60, (r / 7) % 60);
    sqlite3_bind_text(insert, 13, text, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert, 14, r % 2);
    sqlite3_bind_double(insert, 15, r % 1000 / 7.0);
    sqlite3_bind_int(insert, 16, r % 10);
    std::snprintf(text, sizeof text, "Label %d", r % 321);
    sqlite3_bind_text(insert, 17, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "2025-%02d-%02d", r % 12 + 1, r % 28 + 1);
    sqlite3_bind_text(insert, 18, text, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 19, r / 3.0);
    unsigned char blob[8] = {1, 2, 3, static_cast<unsigned char>(r & 0xFF), 0, 0xFF, 7, 9};
    sqlite3_bind_blob(insert, 20, blob, sizeof blob, SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), db, "insert");
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
}

// --- SQLite's own C API, values typed as the ODBC layer types them. ---

int ParseNumber(const char* s, int n) {
  int v = 0;
  for (int i = 0; i < n && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

// The kind the SQLite ODBC driver gives a declared column type.
tv::Value::Kind KindOfDeclared(std::string declared) {
  for (char& ch : declared) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  auto has = [&](const char* word) { return declared.find(word) != std::string::npos; };
  if (has("timestamp") || has("datetime")) return tv::Value::Kind::DateTime;
  if (has("date")) return tv::Value::Kind::Date;
  if (has("time")) return tv::Value::Kind::Time;
  if (has("bool")) return tv::Value::Kind::Boolean;
  if (has("int")) return tv::Value::Kind::Integer;
  if (has("real") || has("floa") || has("doub") || has("numeric")) return tv::Value::Kind::Number;
  if (has("blob")) return tv::Value::Kind::Binary;
  return tv::Value::Kind::Text;
}

tv::Value DirectValue(sqlite3_stmt* stmt, int c, tv::Value::Kind kind) {
  if (sqlite3_column_type(stmt, c) == SQLITE_NULL) return tv::Value::MakeNull();
  const char* s = nullptr;
  switch (kind) {
    case tv::Value::Kind::Integer: return tv::Value::MakeInteger(sqlite3_column_int64(stmt, c));
    case tv::Value::Kind::Number: return tv::Value::MakeNumber(sqlite3_column_double(stmt, c));
    case tv::Value::Kind::Boolean: return tv::Value::MakeBoolean(sqlite3_column_int(stmt, c) != 0);
    case tv::Value::Kind::Binary: {
      const char* data = static_cast<const char*>(sqlite3_column_blob(stmt, c));
      return tv::Value::MakeBinary(std::string(data, sqlite3_column_bytes(stmt, c)));
    }
    case tv::Value::Kind::Date:
      s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      return tv::Value::MakeDate(ParseNumber(s, 4), ParseNumber(s + 5, 2), ParseNumber(s + 8, 2));
    case tv::Value::Kind::Time:
      s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      return tv::Value::MakeTime(ParseNumber(s, 2), ParseNumber(s + 3, 2), ParseNumber(s + 6, 2));
    case tv::Value::Kind::DateTime: {
      s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      tv::DateTime dt;
      dt.year = ParseNumber(s, 4);
      dt.month = ParseNumber(s + 5, 2);
      dt.day = ParseNumber(s + 8, 2);
      dt.hour = ParseNumber(s + 11, 2);
      dt.minute = ParseNumber(s + 14, 2);
      dt.second = ParseNumber(s + 17, 2);
      return tv::Value::MakeDateTime(dt);
    }
    default:
      s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      return tv::Value::MakeText(std::string(s, sqlite3_column_bytes(stmt, c)));
  }
}

std::uint64_t ReadDirect(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  sqlite3_stmt* stmt = nullptr;
  Check(sqlite3_prepare_v2(db, kQuery, -1, &stmt, nullptr), db, "prepare");
  int columns = sqlite3_column_count(stmt);
  std::vector<tv::Value::Kind> kinds;
  for (int c = 0; c < columns; ++c) {
    const char* declared = sqlite3_column_decltype(stmt, c);
    kinds.push_back(KindOfDeclared(declared ? declared : ""));
  }
  std::uint64_t sum = 0;
  std::vector<std::vector<tv::Value>> rows;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<tv::Value> row;
    row.reserve(columns);
    for (int c = 0; c < columns; ++c) row.push_back(DirectValue(stmt, c, kinds[c]));
    rows.push_back(std::move(row));
  }
  for (const auto& row : rows)
    for (const auto& v : row) sum += Checksum(v);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return sum + rows.size();
}

// --- The ODBC layer. ---

std::uint64_t ReadThroughLayer(const std::string& dsn) {
  auto connection = tv::odbc::CreateOdbcConnection();
  connection->Open(dsn, "", "");
  auto recordset = tv::odbc::CreateOdbcRecordset();
  recordset->SetActiveConnection(connection);
  recordset->Open(kQuery);
  std::uint64_t sum = 0;
  std::uint64_t rows = 0;
  int fields = recordset->FieldCount();
  for (; !recordset->Eof(); recordset->MoveNext(), ++rows) {
    for (int i = 0; i < fields; ++i) sum += Checksum(recordset->FieldValue(i));
  }
  return sum + rows;
}

// --- ODBC with one SQLGetData call per cell. ---

void OdbcCheck(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(rc)) return;
  SQLCHAR state[6] = {}, message[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
  std::fprintf(stderr, "%s: %s (%s)\n", what, message, state);
  std::exit(2);
}

tv::Value NaiveCell(SQLHSTMT stmt, SQLUSMALLINT c, SQLSMALLINT sql_type) {
  SQLLEN ind = 0;
  switch (sql_type) {
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_SMALLINT:
    case SQL_TINYINT: {
      SQLBIGINT v = 0;
      OdbcCheck(SQLGetData(stmt, c, SQL_C_SBIGINT, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeInteger(v);
    }
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL: {
      SQLDOUBLE v = 0;
      OdbcCheck(SQLGetData(stmt, c, SQL_C_DOUBLE, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeNumber(v);
    }
    case SQL_BIT: {
      unsigned char v = 0;
      OdbcCheck(SQLGetData(stmt, c, SQL_C_BIT, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeBoolean(v != 0);
    }
    case SQL_TYPE_DATE: {
      SQL_DATE_STRUCT v{};
      OdbcCheck(SQLGetData(stmt, c, SQL_C_TYPE_DATE, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeDate(v.year, v.month, v.day);
    }
    case SQL_TYPE_TIME: {
      SQL_TIME_STRUCT v{};
      OdbcCheck(SQLGetData(stmt, c, SQL_C_TYPE_TIME, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeTime(v.hour, v.minute, v.second);
    }
    case SQL_TYPE_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT v{};
      OdbcCheck(SQLGetData(stmt, c, SQL_C_TYPE_TIMESTAMP, &v, 0, &ind), SQL_HANDLE_STMT, stmt, "get");
      if (ind == SQL_NULL_DATA) return tv::Value::MakeNull();
      tv::DateTime dt;
      dt.year = v.year;
      dt.month = v.month;
      dt.day = v.day;
      dt.hour = v.hour;
      dt.minute = v.minute;
      dt.second = v.second;
      dt.nanosecond = v.fraction;
      return tv::Value::MakeDateTime(dt);
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
      char v[4096];
      OdbcCheck(SQLGetData(stmt, c, SQL_C_BINARY, v, sizeof v, &ind), SQL_HANDLE_STMT, stmt, "get");
      return ind == SQL_NULL_DATA ? tv::Value::MakeNull() : tv::Value::MakeBinary(std::string(v, ind));
    }
    default: {
      SQLWCHAR v[4096];
      OdbcCheck(SQLGetData(stmt, c, SQL_C_WCHAR, v, sizeof v, &ind), SQL_HANDLE_STMT, stmt, "get");
      if (ind == SQL_NULL_DATA) return tv::Value::MakeNull();
      return tv::Value::MakeText(tv::odbc::Utf16ToUtf8(v, static_cast<std::size_t>(ind) / sizeof(SQLWCHAR)));
    }
  }
}

std::uint64_t ReadNaively(const std::string& dsn, bool read_cells) {
  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT stmt;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::string text = "DSN=" + dsn;
  OdbcCheck(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                             SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, dbc, "connect");
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
  OdbcCheck(SQLExecDirect(stmt, (SQLCHAR*)kQuery, SQL_NTS), SQL_HANDLE_STMT, stmt, "execute");
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt, &columns);
  std::vector<SQLSMALLINT> types(columns);
  for (SQLUSMALLINT c = 0; c < columns; ++c) {
    SQLULEN size;
    SQLSMALLINT digits, nullable;
    SQLDescribeCol(stmt, c + 1, nullptr, 0, nullptr, &types[c], &size, &digits, &nullable);
  }
  std::vector<std::vector<tv::Value>> rows;
  while (SQL_SUCCEEDED(SQLFetch(stmt))) {
    if (!read_cells) continue;
    std::vector<tv::Value> row;
    row.reserve(columns);
    for (SQLUSMALLINT c = 0; c < columns; ++c) row.push_back(NaiveCell(stmt, c + 1, types[c]));
    rows.push_back(std::move(row));
  }
  std::uint64_t sum = 0;
  for (const auto& row : rows)
    for (const auto& v : row) sum += Checksum(v);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return sum + rows.size();
}

struct Reader {
  const char* name;
  std::function<std::uint64_t()> read;
  double best_ms = 1e30;
  std::uint64_t checksum = 0;
};

// Best of kRuns each; the readers take turns so that each meets the heap
// and the page cache in the same state.
void MeasureInTurns(std::vector<Reader>* readers) {
  for (int run = 0; run < kRuns; ++run) {
    for (Reader& reader : *readers) {
      auto start = std::chrono::steady_clock::now();
      reader.checksum = reader.read();
      std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
      reader.best_ms = std::min(reader.best_ms, took.count());
    }
  }
  for (const Reader& reader : *readers) {
    std::printf("%-34s %9.1f ms\n", reader.name, reader.best_ms);
  }
}

void Report(const std::vector<Reader>& readers, int* status) {
  const Reader& direct = readers[0];
  const Reader& layer = readers[1];
  const Reader& naive = readers[2];
  std::printf("layer / direct SQLite: %.2f  (goal at most 1.50)\n", layer.best_ms / direct.best_ms);
  std::printf("naive / layer:         %.2f  (goal at least 3.00)\n", naive.best_ms / layer.best_ms);
  std::printf("driver floor / direct:  %.2f  (what the SQLite ODBC driver costs before any value is read)\n",
              readers[3].best_ms / direct.best_ms);
  if (layer.checksum != naive.checksum || layer.checksum != direct.checksum) {
    std::printf("checksums differ: the three readers did not read the same values\n");
    *status = 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The heap as the program sets it up: huge pages where the kernel allows
  // them, freed memory kept, so that page faults on a virtual machine do
  // not drown what is being measured.
  tallyvane::PreferHugePagesForTheHeap();
  char folder_template[] = "/tmp/tallyvane-odbc-bench-XXXXXX";
  if (!mkdtemp(folder_template)) {
    std::perror("mkdtemp");
    return 2;
  }
  const std::string folder = folder_template;
  const std::string db = folder + "/bench.db";
  const std::string ini = folder + "/odbc.ini";
  CreateDatabase(db);
  std::ofstream(ini) << "[tallyvane_bench]\nDriver=SQLite3\nDatabase=" << db << "\nNoCreat=1\n";
  // unixODBC reads ODBCINI once, at the first ODBC call.
  setenv("ODBCINI", ini.c_str(), 1);

  std::printf("%d rows x 20 columns of mixed types from SQLite, best of %d runs\n", kRows, kRuns);
  int status = 0;
  try {
    std::vector<Reader> readers = {
        {"SQLite C API (peer)", [&] { return ReadDirect(db); }},
        {"ODBC layer", [&] { return ReadThroughLayer("tallyvane_bench"); }},
        {"ODBC, one SQLGetData per cell", [&] { return ReadNaively("tallyvane_bench", true); }},
        {"ODBC driver floor (fetch, no cells)", [&] { return ReadNaively("tallyvane_bench", false); }},
    };
    // "odbc_fetch_bench N" measures reader N alone (0 to 3), for profiling.
    if (argc > 1) {
      std::vector<Reader> one = {readers.at(static_cast<std::size_t>(std::atoi(argv[1])))};
      MeasureInTurns(&one);
    } else {
      MeasureInTurns(&readers);
      Report(readers, &status);
    }
  } catch (const tv::PlatformError& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    status = 2;
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return status;
}
