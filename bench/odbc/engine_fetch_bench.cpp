// Measures reading the same result from each engine given on the command
// line two ways in one run: through the ODBC layer (typed values, as a
// report run reads them) and through the driver's floor, a C loop of
// SQLFetch and one SQLGetData per cell into a fixed buffer, which is what
// any ODBC reader pays to that driver. Prints the times and the ratio
// layer / floor per engine.
//
//   odbc_engine_bench sqlite:DSN pg:DSN:user:password maria:DSN:user:password
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "platform/value.h"

namespace tv = tallyvane;

namespace {

constexpr int kRows = 20000;
constexpr int kRuns = 10;
constexpr const char* kQuery = "SELECT * FROM bench_report ORDER BY id";

struct Engine {
  std::string kind, dsn, user, password;
};

// Ten columns of the usual kinds; the note is a long text column on every
// engine (declared unbounded), so the layer reads it one row per fetch.
std::string CreateTable(const Engine& engine) {
  const bool maria = engine.kind == "maria";
  const bool pg = engine.kind == "pg";
  return std::string("CREATE TABLE bench_report (id integer, qty integer, big bigint, price ") +
         (maria ? "DOUBLE"
          : pg  ? "double precision"
                : "double") +
         ", amount numeric(12,2), name varchar(40), note " + (maria ? "LONGTEXT" : "text") + ", day date, stamp " +
         (maria ? "DATETIME(3)" : "timestamp") + ", flag boolean)";
}

std::string Row(int r) {
  char text[512];
  std::snprintf(
      text, sizeof text,
      "(%d, %d, %lld, %g, %d.%02d, 'Customer %d', %s, '2024-%02d-%02d', '2024-%02d-%02d %02d:%02d:%02d.%03d', %s)", r,
      r % 97, 10000000000LL + r, r * 0.25, r, r % 100, r,
      r % 5 == 0 ? "NULL" : "'Delivered on time, invoice settled in full, Z\xC3\xBCrich'", r % 12 + 1, r % 28 + 1,
      r % 12 + 1, r % 28 + 1, r % 24, r % 60, (r / 60) % 60, r % 1000, r % 2 ? "true" : "false");
  return text;
}

void Fill(const Engine& engine) {
  auto connection = tv::odbc::CreateOdbcConnection();
  connection->Open(engine.dsn, engine.user, engine.password);
  try {
    connection->Execute("DROP TABLE bench_report");
  } catch (const tv::PlatformError&) {
  }
  connection->Execute(CreateTable(engine));
  for (int r = 0; r < kRows;) {
    std::string insert = "INSERT INTO bench_report VALUES ";
    for (int n = 0; n < 500 && r < kRows; ++n, ++r) insert += (n ? ", " : "") + Row(r);
    connection->Execute(insert);
  }
}

std::uint64_t ReadThroughLayer(const Engine& engine) {
  auto connection = tv::odbc::CreateOdbcConnection();
  connection->Open(engine.dsn, engine.user, engine.password);
  auto recordset = tv::odbc::CreateOdbcRecordset();
  recordset->SetActiveConnection(connection);
  recordset->Open(kQuery);
  std::uint64_t sum = 0;
  const int fields = recordset->FieldCount();
  for (; !recordset->Eof(); recordset->MoveNext()) {
    for (int i = 0; i < fields; ++i) {
      const tv::Value value = recordset->FieldValue(i);
      sum += static_cast<std::uint64_t>(value.kind) + value.text.size();
    }
  }
  return sum;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(rc)) return;
  SQLCHAR state[6] = {}, message[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
  std::fprintf(stderr, "%s: %s (%s)\n", what, message, state);
  std::exit(2);
}

std::uint64_t ReadFloor(const Engine& engine) {
  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT stmt;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  Check(SQLConnect(dbc, (SQLCHAR*)engine.dsn.c_str(), SQL_NTS, (SQLCHAR*)engine.user.c_str(), SQL_NTS,
                   (SQLCHAR*)engine.password.c_str(), SQL_NTS),
        SQL_HANDLE_DBC, dbc, "connect");
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
  Check(SQLExecDirect(stmt, (SQLCHAR*)kQuery, SQL_NTS), SQL_HANDLE_STMT, stmt, "execute");
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt, &columns);
  std::uint64_t sum = 0;
  std::vector<char> buffer(8192);
  while (SQL_SUCCEEDED(SQLFetch(stmt))) {
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      SQLLEN indicator = 0;
      Check(SQLGetData(stmt, c, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()), &indicator),
            SQL_HANDLE_STMT, stmt, "get");
      sum += static_cast<std::uint64_t>(std::max<SQLLEN>(indicator, 0));
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return sum;
}

// Best of kRuns, the two readers taking turns.
void Measure(const Engine& engine) {
  double layer_ms = 1e30, floor_ms = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    for (const bool layer : {true, false}) {
      const auto start = std::chrono::steady_clock::now();
      layer ? ReadThroughLayer(engine) : ReadFloor(engine);
      const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
      (layer ? layer_ms : floor_ms) = std::min(layer ? layer_ms : floor_ms, took.count());
    }
  }
  std::printf("%-12s layer %8.1f ms   floor %8.1f ms   layer / floor %.2f  (aim 1.25)\n",
              (engine.kind + " " + engine.dsn).c_str(), layer_ms, floor_ms, layer_ms / floor_ms);
}

Engine ParseEngine(const std::string& argument) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t colon; (colon = argument.find(':', start)) != std::string::npos; start = colon + 1) {
    parts.push_back(argument.substr(start, colon - start));
  }
  parts.push_back(argument.substr(start));
  parts.resize(4);
  return Engine{parts[0], parts[1], parts[2], parts[3]};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s kind:DSN[:user:password] ... (kind: sqlite, pg or maria)\n", argv[0]);
    return 2;
  }
  std::printf("%d rows x 10 columns of mixed types (a long text column among them), best of %d runs\n", kRows, kRuns);
  try {
    for (int i = 1; i < argc; ++i) {
      const Engine engine = ParseEngine(argv[i]);
      Fill(engine);
      Measure(engine);
    }
  } catch (const tv::PlatformError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
  return 0;
}
