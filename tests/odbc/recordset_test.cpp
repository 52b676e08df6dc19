// Record-set behaviour, run alike against SQLite, PostgreSQL (both of
// psqlODBC's drivers) and MariaDB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "test_data_sources.h"

namespace tallyvane::odbc {
namespace {

using testing::ErrorOf;
using testing::SameValue;

class RecordsetTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (IsSqlite()) {
      backend_ = testing::FreshSqliteDatabase();
    } else {
      if (IsMaria()) {
        testing::PrepareMaria(&backend_);
      } else if (IsAnsi()) {
        testing::PreparePostgresAnsi(&backend_);
      } else {
        testing::PreparePostgres(&backend_);
      }
      if (IsSkipped() || HasFatalFailure()) return;
    }
    connection_ = testing::Connect(backend_);
  }

  bool IsSqlite() const { return std::string(GetParam()) == "SQLite"; }
  bool IsMaria() const { return std::string(GetParam()) == "MariaDB"; }
  bool IsAnsi() const { return std::string(GetParam()) == "PostgreSQL ANSI"; }
  // The SQL or the text of one engine; MariaDB's is PostgreSQL's unless given.
  const char* Pick(const char* sqlite, const char* postgres, const char* maria = "") const {
    if (IsSqlite()) return sqlite;
    return IsMaria() && (maria == nullptr || *maria != '\0') ? maria : postgres;
  }

  std::unique_ptr<Recordset> Open(const std::string& sql) {
    auto recordset = CreateOdbcRecordset();
    recordset->SetActiveConnection(connection_);
    recordset->Open(sql);
    return recordset;
  }

  // The number of records from the current one to the end.
  static int CountToEnd(Recordset& recordset) {
    int count = 0;
    for (; !recordset.Eof(); recordset.MoveNext()) ++count;
    return count;
  }

  // Table t with `count` rows of (i, 'row i', i / 4.0).
  void MakeRows(int count) {
    connection_->Execute("CREATE TABLE t (i integer, s varchar(20), d double precision)");
    if (IsMaria()) connection_->Execute("SET max_recursive_iterations = 100000");
    connection_->Execute("INSERT INTO t WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                         std::to_string(count) + ") SELECT i, " +
                         Pick("'row ' || i", "'row ' || i", "concat('row ', i)") + ", i / 4.0 FROM n");
  }

  testing::Backend backend_;
  std::shared_ptr<DatabaseConnection> connection_;
};

// A column type on each driver (nullptr: not checked there), a literal and
// the value it comes back as.
struct TypeCase {
  const char* sqlite_type;
  const char* postgres_type;
  std::string literal;
  Value expected;
};

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const char kUnicode[] =
    "Gr\xC3\xBC\xC3\x9F"
    "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 'q'";
const std::string kBytes("\0\xff\x10", 3);

const TypeCase kTypes[] = {
    {"integer", "integer", "42", Value::MakeInteger(42)},
    {"bigint", "bigint", "9007199254740993", Value::MakeInteger(9007199254740993LL)},
    {"double", "double precision", "2.5", Value::MakeNumber(2.5)},
    {"real", "real", "-0.25", Value::MakeNumber(-0.25)},
    // The SQLite driver reports NUMERIC columns as DOUBLE.
    {"numeric(12,3)", nullptr, "1234.5", Value::MakeNumber(1234.5)},
    {nullptr, "numeric(12,3)", "1234.5", Value::MakeDecimal("1234.500")},
    {nullptr, "numeric", "-0.000000000000000000012345678901234567890123",
     Value::MakeDecimal("-0.000000000000000000012345678901234567890123")},
    {"text", "text",
     "'Gr\xC3\xBC\xC3\x9F"
     "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 ''q'''",
     Value::MakeText(kUnicode)},
    {"varchar(30)", "varchar(30)", "''", Value::MakeText("")},
    {"date", "date", "'2024-02-29'", Value::MakeDate(2024, 2, 29)},
    {"time", "time", "'13:45:30'", Value::MakeTime(13, 45, 30)},
    {"timestamp", "timestamp", "'2024-02-29 13:45:30.25'",
     Value::MakeDateTime(DateTime{2024, 2, 29, 13, 45, 30, 250000000, 2})},
    // The last moment a workbook can hold comes whole, to the microsecond.
    {nullptr, "timestamp", "'9999-12-31 23:59:59.999999'",
     Value::MakeDateTime(DateTime{9999, 12, 31, 23, 59, 59, 999999000, 6})},
    {"boolean", nullptr, "1", Value::MakeBoolean(true)},
    {"boolean", nullptr, "0", Value::MakeBoolean(false)},
    {nullptr, "boolean", "true", Value::MakeBoolean(true)},
    {nullptr, "boolean", "false", Value::MakeBoolean(false)},
    {"blob", nullptr, "x'00ff10'", Value::MakeBinary(kBytes)},
    {nullptr, "bytea", "'\\x00ff10'", Value::MakeBinary(kBytes)},
    // Values longer than their buffers arrive whole. SQLite does not hold
    // text to a declared size, so a short column can carry a long value too.
    {"varchar(10)", nullptr, "replace(hex(zeroblob(3000)), '00', 'x\xC3\xA9')",
     Value::MakeText(Repeat("x\xC3\xA9", 3000))},
    {nullptr, "text", "repeat('x\xC3\xA9', 3000)", Value::MakeText(Repeat("x\xC3\xA9", 3000))},
    {"text", nullptr, "replace(hex(zeroblob(25000)), '00', '\xC3\xA9\xF0\x9F\x98\x80')",
     Value::MakeText(Repeat("\xC3\xA9\xF0\x9F\x98\x80", 25000))},
    {nullptr, "text", "repeat('\xC3\xA9\xF0\x9F\x98\x80', 25000)",
     Value::MakeText(Repeat("\xC3\xA9\xF0\x9F\x98\x80", 25000))},
    {"blob", nullptr, "zeroblob(70000)", Value::MakeBinary(std::string(70000, '\0'))},
    {nullptr, "bytea", "decode(repeat('00', 70000) || 'ff', 'hex')",
     Value::MakeBinary(std::string(70000, '\0') + "\xff")},
    // One character more than a buffer holds: a declared column's, and an
    // unknown size's read as wide text (twice the size in UTF-16 units) and
    // as narrow text (four times the size in bytes).
    {"varchar(10)", nullptr, "'eleven char'", Value::MakeText("eleven char")},
    {nullptr, "text", "'" + std::string(513, 'y') + "'", Value::MakeText(std::string(513, 'y'))},
    {"text", "text", "'" + std::string(1025, 'z') + "'", Value::MakeText(std::string(1025, 'z'))},
};

TEST_P(RecordsetTest, ValuesKeepTheirTypesAndNullsStayNull) {
  if (IsMaria()) GTEST_SKIP() << "MariaDB's types are in its type table (type_table_test.cpp)";
  std::vector<const TypeCase*> cases;
  std::string columns = "k integer", literals = "1", nulls = "2";
  for (const TypeCase& c : kTypes) {
    const char* type = Pick(c.sqlite_type, c.postgres_type);
    if (type == nullptr) continue;
    columns += ", c" + std::to_string(cases.size()) + " " + type;
    literals += ", " + c.literal;
    nulls += ", NULL";
    cases.push_back(&c);
  }
  connection_->Execute("CREATE TABLE v (" + columns + ")");
  connection_->Execute("INSERT INTO v VALUES (" + literals + ")");
  connection_->Execute("INSERT INTO v VALUES (" + nulls + ")");

  auto recordset = Open("SELECT * FROM v ORDER BY k");
  ASSERT_EQ(recordset->FieldCount(), static_cast<int>(cases.size()) + 1);
  for (bool null_row : {false, true}) {
    ASSERT_FALSE(recordset->Eof());
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const Value value = recordset->FieldValue(static_cast<int>(i) + 1);
      EXPECT_TRUE(null_row ? value.IsNull() : SameValue(value, cases[i]->expected))
          << "column type " << Pick(cases[i]->sqlite_type, cases[i]->postgres_type);
    }
    recordset->MoveNext();
  }
  EXPECT_TRUE(recordset->Eof());
  // Expressions are typed from their values.
  recordset->Open(Pick("SELECT 1 + 2, 7 / 2.0, 'x' || 'y', NULL", "SELECT 1 + 2, 7 / 2.0::float8, 'x' || 'y', NULL"));
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(3)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeNumber(3.5)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(2), Value::MakeText("xy")));
  EXPECT_TRUE(recordset->FieldValue(3).IsNull());
  // A limited read stops within a long text, never inside a surrogate pair.
  recordset->SetTextLimit(5);
  recordset->Open(
      Pick("SELECT replace(hex(zeroblob(100000)), '00', 'ab'), "
           "replace(hex(zeroblob(50000)), '00', '\xF0\x9F\x98\x80')",
           "SELECT repeat('ab', 100000), repeat('\xF0\x9F\x98\x80', 50000)"));
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeText("ababa")));
  EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeText("\xF0\x9F\x98\x80\xF0\x9F\x98\x80")));
}

// Fixed-size columns only are fetched in row arrays everywhere; with text
// the SQLite driver needs one row per fetch: both ways must agree.
TEST_P(RecordsetTest, CountingThenMoveFirstReadsTheSameRecords) {
  MakeRows(1000);
  for (const bool text : {false, true}) {
    SCOPED_TRACE(text ? "with text" : "fixed-size only");
    auto recordset = Open(std::string("SELECT i, d, ") + (text ? "s" : "i") + " FROM t ORDER BY i");
    EXPECT_EQ(CountToEnd(*recordset), 1000);
    recordset->MoveFirst();
    for (int i = 1; i <= 1000; recordset->MoveNext(), ++i) {
      ASSERT_FALSE(recordset->Eof()) << "row " << i;
      ASSERT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(i)));
      ASSERT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeNumber(i / 4.0)));
      ASSERT_TRUE(SameValue(recordset->FieldValue(2),
                            text ? Value::MakeText("row " + std::to_string(i)) : Value::MakeInteger(i)));
    }
    EXPECT_TRUE(recordset->Eof());
    recordset->MoveFirst();
    EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(1)));
    // Going forward only: what is ahead stays readable, in any field order,
    // and going back fails rather than reading released records.
    recordset->ReleasePassedRecords();
    recordset->MoveNext();
    EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeNumber(0.5)));
    EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(2)));
    EXPECT_THROW(recordset->MoveFirst(), PlatformError);
  }
}

TEST_P(RecordsetTest, EmptyClosedRejectedAndReopenedRecordSets) {
  MakeRows(3);
  auto recordset = Open("SELECT i, s, d FROM t WHERE i < 0");
  EXPECT_TRUE(recordset->State());
  EXPECT_TRUE(recordset->Eof());
  EXPECT_EQ(recordset->FieldCount(), 3);
  EXPECT_THROW(recordset->FieldValue(0), PlatformError);
  EXPECT_THROW(recordset->MoveNext(), PlatformError);
  recordset->MoveFirst();
  EXPECT_TRUE(recordset->Eof());
  recordset->Open("SELECT 2, 3");  // opening again replaces the result
  EXPECT_EQ(recordset->FieldCount(), 2);
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(2)));
  EXPECT_THROW(recordset->FieldValue(2), PlatformError);
  EXPECT_THROW(recordset->FieldValue(-1), PlatformError);
  // A rejected statement leaves the record set closed, with the driver's
  // description; names in its text arrive as they were written.
  const std::string driver_text =
      Pick("near \"SELEC\": syntax error", "syntax error at or near \"SELEC\"", "near 'SELEC 1' at line 1");
  std::string description = ErrorOf([&] { recordset->Open("SELEC 1"); });
  EXPECT_NE(description.find(driver_text), std::string::npos) << description;
  EXPECT_NE(description.find(Pick("(SQLSTATE HY000)", "(SQLSTATE 42601)", "(SQLSTATE 42000)")), std::string::npos)
      << description;
  EXPECT_FALSE(recordset->State());
  description = ErrorOf([&] { connection_->Execute("SELEC 1"); });
  EXPECT_NE(description.find(driver_text), std::string::npos) << description;
  const std::string table = "tabell\xC3\xA9_\xE6\x97\xA5\xE6\x9C\xAC";
  description = ErrorOf([&] { recordset->Open("SELECT * FROM \"" + table + "\""); });
  EXPECT_NE(description.find(table), std::string::npos) << description;
  recordset->Open("SELECT 5");  // the connection stays usable
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(5)));
  recordset->Close();
  EXPECT_FALSE(recordset->State());
  for (const std::function<void()>& operation : std::vector<std::function<void()>>{
           [&] { recordset->Eof(); }, [&] { recordset->MoveNext(); }, [&] { recordset->MoveFirst(); },
           [&] { recordset->FieldCount(); }, [&] { recordset->FieldValue(0); }}) {
    description = ErrorOf(operation);
    EXPECT_NE(description.find("the record set is closed"), std::string::npos) << description;
  }
  // A statement without a result set runs, but the record set stays closed.
  EXPECT_EQ(ErrorOf([&] { recordset->Open("CREATE TABLE e (i integer)"); }),
            "cannot open the record set: the statement returned no records set");
  EXPECT_FALSE(recordset->State());
  recordset->Open("SELECT count(*) FROM e");
  EXPECT_TRUE(recordset->State());
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(0)));
}

TEST_P(RecordsetTest, UnreadRowsAndConnectionsClosedReplacedOrDroppedAreSafe) {
  MakeRows(2000);
  connection_->Execute("SELECT * FROM t");
  connection_->Execute("DELETE FROM t WHERE i < 0");  // no row touched is no error
  connection_->Execute("DROP TABLE t");               // an open cursor on t would keep it locked
  MakeRows(2000);
  // The connection closes under an open record set: what the record set
  // still has to fetch is refused, nothing crashes.
  auto recordset = Open("SELECT i, s FROM t ORDER BY i");
  connection_->Close();
  EXPECT_FALSE(connection_->IsOpen());
  try {
    CountToEnd(*recordset);
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.Description()).find("connection has been closed"), std::string::npos)
        << error.Description();
  }
  recordset->Close();
  // Opening again, closed or open, replaces the connection; the record set
  // takes another connection and keeps it alive after the caller lets go.
  connection_->SetCommandTimeout(30);
  for (int i = 0; i < 2; ++i) connection_->Open(backend_.data_source, backend_.user, backend_.password);
  EXPECT_TRUE(connection_->IsOpen());
  recordset->SetActiveConnection(testing::Connect(backend_));
  recordset->Open("SELECT count(*) FROM t");
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(2000)));
  recordset->SetActiveConnection(connection_);
  recordset->Open("SELECT i FROM t ORDER BY i");
  connection_.reset();
  EXPECT_EQ(CountToEnd(*recordset), 2000);
  recordset.reset();
}

// A value that the driver cannot give as a date or time of day is refused
// with where it stands and what it was, not turned into another value:
// psqlODBC's text of the year 10000, MariaDB's TIME beyond a day (next to
// long text, read one row at a time), any text in a SQLite date column.
TEST_P(RecordsetTest, AValueNoCellCanTakeIsRefusedNamingItsRowAndColumn) {
  connection_->Execute(std::string("CREATE TABLE d (i integer, s ") + Pick("text", "text", "LONGTEXT") + ", v " +
                       Pick("date", "date", "TIME") + ")");
  const std::string text = Repeat("long ", 300);
  const char* bad = Pick("'2024-13-45'", "'10000-01-01'", "'838:00:00'");
  for (const std::string& row : {"1, '" + text + "', " + Pick("'2024-01-01'", "'2024-01-01'", "'12:00:00'"),
                                 "2, '" + text + "', " + bad, std::string("3, 'x', NULL")}) {
    connection_->Execute("INSERT INTO d VALUES (" + row + ")");
  }
  const std::string expected =
      std::string("row 2, column 3 \"v\" of the result: the driver returned ") +
      Pick("\"2024-13-45\", which is not a valid date", "\"1000-00-00\", which is not a valid date",
           "\"838:00:00\", which is not a valid time of day");
  // Where the driver reads in blocks, opening reads the bad row already.
  EXPECT_EQ(ErrorOf([&] { CountToEnd(*Open("SELECT i, s, v FROM d ORDER BY i")); }), expected);
}

// A check prepares without running: the driver's verdict on the text (which
// psqlODBC gives only when asked for the columns), the column count, and
// the columns that hold binary data.
TEST_P(RecordsetTest, PreparingReportsErrorsColumnsAndBinaryColumns) {
  connection_->Execute(std::string("CREATE TABLE p (i integer, raw ") + Pick("blob", "bytea", "varbinary(10)") +
                       ", s varchar(5))");
  // SQLite's and MariaDB's drivers leave what does not begin as a query to
  // its execution.
  for (const char* bad : {"SELEC 1", "SELECT i FROM p ORDR BY i", "SELECT nope FROM p", "SELECT i FROM missing"}) {
    if (bad[4] == 'C' && (IsSqlite() || IsMaria())) continue;
    EXPECT_THROW(connection_->Prepare(bad), PlatformError) << GetParam() << ": " << bad;
  }
  std::vector<std::string> binary{"left over"};
  EXPECT_EQ(connection_->Prepare("SELECT i, s FROM p", &binary), 2);
  EXPECT_TRUE(binary.empty());
  EXPECT_EQ(connection_->Prepare("SELECT raw, i, raw AS again FROM p", &binary), 3);
  EXPECT_EQ(binary, (std::vector<std::string>{"column 1 \"raw\"", "column 3 \"again\""}));
  EXPECT_LE(connection_->Prepare("INSERT INTO p (i) VALUES (1)"), 0);
}

INSTANTIATE_TEST_SUITE_P(SQLite, RecordsetTest, ::testing::Values("SQLite"));
INSTANTIATE_TEST_SUITE_P(PostgreSQL, RecordsetTest, ::testing::Values("PostgreSQL", "PostgreSQL ANSI"));
INSTANTIATE_TEST_SUITE_P(MariaDB, RecordsetTest, ::testing::Values("MariaDB"));

}  // namespace
}  // namespace tallyvane::odbc
