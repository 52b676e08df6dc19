// Record-set behaviour, run alike against SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "test_data_sources.h"
#include "value_expectations.h"

namespace tallyvane::odbc {
namespace {

using testing::Backend;
using testing::SameValue;

class RecordsetTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (IsSqlite()) {
      backend_ = testing::FreshSqliteDatabase();
    } else {
      testing::PostgresStatus status = testing::PreparePostgres(&backend_);
      if (status.skip) GTEST_SKIP() << status.reason;
      ASSERT_TRUE(status.available) << status.reason;
    }
    connection_ = testing::Connect(backend_);
  }

  bool IsSqlite() const { return std::string(GetParam()) == "SQLite"; }
  const char* Pick(const char* sqlite, const char* postgres) const {
    return IsSqlite() ? sqlite : postgres;
  }

  std::unique_ptr<Recordset> Open(const std::string& sql) {
    auto recordset = CreateOdbcRecordset();
    recordset->SetActiveConnection(connection_);
    recordset->Open(sql);
    return recordset;
  }

  // All records from the current one to the end.
  static std::vector<std::vector<Value>> ReadToEnd(Recordset& recordset) {
    std::vector<std::vector<Value>> rows;
    for (; !recordset.Eof(); recordset.MoveNext()) {
      std::vector<Value> row;
      for (int i = 0; i < recordset.FieldCount(); ++i) row.push_back(recordset.FieldValue(i));
      rows.push_back(row);
    }
    return rows;
  }

  // A statement that makes `count` rows of (i, 'row i', i / 4.0) in table t.
  void MakeRows(int count) {
    connection_->Execute("CREATE TABLE t (i integer, s varchar(20), d double precision)");
    connection_->Execute(
        "INSERT INTO t WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(count) + ") SELECT i, 'row ' || i, i / 4.0 FROM n");
  }

  Backend backend_;
  std::shared_ptr<DatabaseConnection> connection_;
};

struct TypeCase {
  const char* column_type;
  const char* literal;
  Value expected;
};

DateTime MakeStamp(int year = 2024, int month = 2, int day = 29, int hour = 13, int minute = 45, int second = 30,
                   unsigned nanosecond = 250000000) {
  DateTime dt;
  dt.year = year;
  dt.month = month;
  dt.day = day;
  dt.hour = hour;
  dt.minute = minute;
  dt.second = second;
  dt.nanosecond = nanosecond;
  return dt;
}

const char kUnicode[] = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 'q'";

std::vector<TypeCase> SqliteTypes() {
  return {
      {"integer", "42", Value::MakeInteger(42)},
      {"bigint", "9007199254740993", Value::MakeInteger(9007199254740993LL)},
      {"double", "2.5", Value::MakeNumber(2.5)},
      {"real", "-0.25", Value::MakeNumber(-0.25)},
      // The SQLite driver reports NUMERIC columns as DOUBLE.
      {"numeric(12,3)", "1234.5", Value::MakeNumber(1234.5)},
      {"text", "'Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 ''q'''",
       Value::MakeText(kUnicode)},
      {"varchar(30)", "''", Value::MakeText("")},
      {"date", "'2024-02-29'", Value::MakeDate(2024, 2, 29)},
      {"time", "'13:45:30'", Value::MakeTime(13, 45, 30)},
      {"timestamp", "'2024-02-29 13:45:30.250'", Value::MakeDateTime(MakeStamp())},
      {"boolean", "1", Value::MakeBoolean(true)},
      {"boolean", "0", Value::MakeBoolean(false)},
      {"blob", "x'00ff10'", Value::MakeBinary(std::string("\0\xff\x10", 3))},
  };
}

std::vector<TypeCase> PostgresTypes() {
  return {
      {"integer", "42", Value::MakeInteger(42)},
      {"bigint", "9007199254740993", Value::MakeInteger(9007199254740993LL)},
      {"double precision", "2.5", Value::MakeNumber(2.5)},
      {"real", "-0.25", Value::MakeNumber(-0.25)},
      {"numeric(12,3)", "1234.5", Value::MakeDecimal("1234.500")},
      {"numeric", "-0.000000000000000000012345678901234567890123",
       Value::MakeDecimal("-0.000000000000000000012345678901234567890123")},
      {"text", "'Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 ''q'''",
       Value::MakeText(kUnicode)},
      {"varchar(30)", "''", Value::MakeText("")},
      {"date", "'2024-02-29'", Value::MakeDate(2024, 2, 29)},
      {"time", "'13:45:30'", Value::MakeTime(13, 45, 30)},
      {"timestamp", "'2024-02-29 13:45:30.250'", Value::MakeDateTime(MakeStamp())},
      // The last moment a workbook can hold comes whole, to the microsecond.
      {"timestamp", "'9999-12-31 23:59:59.999999'", Value::MakeDateTime(MakeStamp(9999, 12, 31, 23, 59, 59, 999999000))},
      {"boolean", "true", Value::MakeBoolean(true)},
      {"boolean", "false", Value::MakeBoolean(false)},
      {"bytea", "'\\x00ff10'", Value::MakeBinary(std::string("\0\xff\x10", 3))},
  };
}

TEST_P(RecordsetTest, ValuesKeepTheirTypesAndNullsStayNull) {
  std::vector<TypeCase> cases = IsSqlite() ? SqliteTypes() : PostgresTypes();
  std::string columns;
  std::string literals;
  std::string nulls;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::string sep = i == 0 ? "" : ", ";
    columns += sep + "c" + std::to_string(i) + " " + cases[i].column_type;
    literals += sep + cases[i].literal;
    nulls += sep + "NULL";
  }
  connection_->Execute("CREATE TABLE v (k integer, " + columns + ")");
  connection_->Execute("INSERT INTO v VALUES (1, " + literals + ")");
  connection_->Execute("INSERT INTO v VALUES (2, " + nulls + ")");

  auto recordset = Open("SELECT * FROM v ORDER BY k");
  ASSERT_EQ(recordset->FieldCount(), static_cast<int>(cases.size()) + 1);
  ASSERT_FALSE(recordset->Eof());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(SameValue(recordset->FieldValue(static_cast<int>(i) + 1), cases[i].expected))
        << "column type " << cases[i].column_type;
  }
  recordset->MoveNext();
  ASSERT_FALSE(recordset->Eof());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(recordset->FieldValue(static_cast<int>(i) + 1).IsNull())
        << "column type " << cases[i].column_type;
  }
  recordset->MoveNext();
  EXPECT_TRUE(recordset->Eof());
}

TEST_P(RecordsetTest, ExpressionsAreTypedFromTheirValues) {
  auto recordset = Open(Pick("SELECT 1 + 2, 7 / 2.0, 'x' || 'y', NULL",
                             "SELECT 1 + 2, 7 / 2.0::float8, 'x' || 'y', NULL"));
  ASSERT_FALSE(recordset->Eof());
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(3)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeNumber(3.5)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(2), Value::MakeText("xy")));
  EXPECT_TRUE(recordset->FieldValue(3).IsNull());
}

TEST_P(RecordsetTest, QueryWithoutRecordsIsAtEndAtOnce) {
  MakeRows(3);
  auto recordset = Open("SELECT i, s FROM t WHERE i < 0");
  EXPECT_TRUE(recordset->State());
  EXPECT_TRUE(recordset->Eof());
  EXPECT_EQ(recordset->FieldCount(), 2);
  EXPECT_THROW(recordset->FieldValue(0), PlatformError);
  EXPECT_THROW(recordset->MoveNext(), PlatformError);
  recordset->MoveFirst();
  EXPECT_TRUE(recordset->Eof());
}

// Fixed-size columns only are fetched in row arrays everywhere; with text
// the SQLite driver needs one row per fetch: both ways must agree.
TEST_P(RecordsetTest, CountingThenMoveFirstReadsTheSameRecords) {
  const int kRows = 1000;
  MakeRows(kRows);
  for (const char* sql : {"SELECT i, d FROM t ORDER BY i", "SELECT i, s, d FROM t ORDER BY i"}) {
    SCOPED_TRACE(sql);
    auto recordset = Open(sql);
    int count = 0;
    for (; !recordset->Eof(); recordset->MoveNext()) ++count;
    EXPECT_EQ(count, kRows);
    recordset->MoveFirst();
    std::vector<std::vector<Value>> rows = ReadToEnd(*recordset);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    for (int i = 0; i < kRows; ++i) {
      ASSERT_TRUE(SameValue(rows[i][0], Value::MakeInteger(i + 1))) << "row " << i;
      ASSERT_TRUE(SameValue(rows[i].back(), Value::MakeNumber((i + 1) / 4.0))) << "row " << i;
      if (rows[i].size() == 3) {
        ASSERT_TRUE(SameValue(rows[i][1], Value::MakeText("row " + std::to_string(i + 1))));
      }
    }
    recordset->MoveFirst();
    ASSERT_FALSE(recordset->Eof());
    EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(1)));
  }
}

TEST_P(RecordsetTest, LongTextAndBinaryValuesArriveWhole) {
  // SQLite does not hold text to a declared size, so a short column can
  // carry a long value too.
  connection_->Execute(Pick("CREATE TABLE l (k integer, short_text varchar(10), t text, b blob)",
                            "CREATE TABLE l (k integer, short_text text, t text, b bytea)"));
  connection_->Execute(Pick(
      "INSERT INTO l SELECT 1, replace(hex(zeroblob(3000)), '00', 'x\xC3\xA9'), "
      "replace(hex(zeroblob(25000)), '00', '\xC3\xA9\xF0\x9F\x98\x80'), "
      "zeroblob(70000)",
      "INSERT INTO l SELECT 1, repeat('x\xC3\xA9', 3000), "
      "repeat('\xC3\xA9\xF0\x9F\x98\x80', 25000), decode(repeat('00', 70000) || 'ff', 'hex')"));
  // One character more than a declared column's or an unknown size's buffer.
  const std::string eleven = "eleven char", past_probe(257, 'y');
  connection_->Execute("INSERT INTO l VALUES (2, '" + eleven + "', '" + past_probe + "', NULL)");
  std::string short_text;
  for (int i = 0; i < 3000; ++i) short_text += "x\xC3\xA9";
  std::string text;
  for (int i = 0; i < 25000; ++i) text += "\xC3\xA9\xF0\x9F\x98\x80";
  std::string bytes(70000, '\0');
  if (!IsSqlite()) bytes += '\xff';

  auto recordset = Open("SELECT k, short_text, t, b FROM l ORDER BY k");
  ASSERT_FALSE(recordset->Eof());
  EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeText(short_text)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(2), Value::MakeText(text)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(3), Value::MakeBinary(bytes)));
  recordset->MoveNext();
  ASSERT_FALSE(recordset->Eof());
  EXPECT_TRUE(SameValue(recordset->FieldValue(1), Value::MakeText(eleven)));
  EXPECT_TRUE(SameValue(recordset->FieldValue(2), Value::MakeText(past_probe)));
  EXPECT_TRUE(recordset->FieldValue(3).IsNull());
}

TEST_P(RecordsetTest, ExecuteDropsTheRowsOfAQuery) {
  MakeRows(2000);
  connection_->Execute("SELECT * FROM t");
  connection_->Execute("DELETE FROM t WHERE i < 0");  // no row touched is no error
  // An open cursor on t would keep it locked.
  connection_->Execute("DROP TABLE t");
  connection_->Execute("CREATE TABLE t (i integer)");
  auto recordset = Open("SELECT count(*) FROM t");
  ASSERT_FALSE(recordset->Eof());
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(0)));
}

TEST_P(RecordsetTest, RejectedStatementGivesTheDriversDescription) {
  const std::string driver_text =
      Pick("near \"SELEC\": syntax error", "syntax error at or near \"SELEC\"");
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(connection_);
  try {
    recordset->Open("SELEC 1");
    FAIL() << "the statement was accepted";
  } catch (const PlatformError& error) {
    std::string description = error.Description();
    EXPECT_NE(description.find(driver_text), std::string::npos) << description;
    EXPECT_NE(description.find(Pick("(SQLSTATE HY000)", "(SQLSTATE 42601)")), std::string::npos)
        << description;
  }
  EXPECT_FALSE(recordset->State());
  try {
    connection_->Execute("SELEC 1");
    FAIL() << "the statement was accepted";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.Description()).find(driver_text), std::string::npos)
        << error.Description();
  }
  // Names in the driver's text arrive as they were written.
  try {
    recordset->Open("SELECT * FROM \"tabell\xC3\xA9_\xE6\x97\xA5\xE6\x9C\xAC\"");
    FAIL() << "a missing table was found";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.Description()).find("tabell\xC3\xA9_\xE6\x97\xA5\xE6\x9C\xAC"),
              std::string::npos)
        << error.Description();
  }
  // The connection stays usable.
  recordset->Open("SELECT 5");
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(5)));
}

TEST_P(RecordsetTest, ClosedRecordsetRefusesEveryOperation) {
  auto recordset = Open("SELECT 1");
  recordset->Close();
  EXPECT_FALSE(recordset->State());
  std::vector<std::function<void()>> operations = {
      [&] { recordset->Eof(); },        [&] { recordset->MoveNext(); },
      [&] { recordset->MoveFirst(); },  [&] { recordset->FieldCount(); },
      [&] { recordset->FieldValue(0); },
  };
  for (const auto& operation : operations) {
    try {
      operation();
      ADD_FAILURE() << "a closed record set answered";
    } catch (const PlatformError& error) {
      EXPECT_NE(std::string(error.Description()).find("the record set is closed"),
                std::string::npos)
          << error.Description();
    }
  }
  // Closed, it opens again.
  recordset->Open("SELECT 2");
  EXPECT_TRUE(recordset->State());
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(2)));
  EXPECT_THROW(recordset->FieldValue(1), PlatformError);
  EXPECT_THROW(recordset->FieldValue(-1), PlatformError);
}

TEST_P(RecordsetTest, OpeningAgainReplacesTheResult) {
  auto recordset = Open("SELECT 1");
  recordset->Open("SELECT 2, 3");
  EXPECT_EQ(recordset->FieldCount(), 2);
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(2)));
  // A statement without a result set runs, but the record set stays closed.
  try {
    recordset->Open("CREATE TABLE e (i integer)");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& e) {
    EXPECT_STREQ(e.what(), "cannot open the record set: the statement returned no records set");
  }
  EXPECT_FALSE(recordset->State());
  recordset->Open("SELECT count(*) FROM e");
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(0)));
}

TEST_P(RecordsetTest, ClosingOrDroppingTheConnectionFirstIsSafe) {
  MakeRows(600);
  // The connection closes under an open record set: what the record set
  // still has to fetch is refused, nothing crashes.
  auto recordset = Open("SELECT i, s FROM t ORDER BY i");
  connection_->Close();
  EXPECT_FALSE(connection_->IsOpen());
  try {
    for (; !recordset->Eof(); recordset->MoveNext()) {
    }
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.Description()).find("connection has been closed"),
              std::string::npos)
        << error.Description();
  }
  recordset->Close();

  // The record set keeps its connection alive after the caller lets go.
  connection_->Open(backend_.data_source, backend_.user, backend_.password);
  recordset = Open("SELECT i FROM t ORDER BY i");
  connection_.reset();
  int count = 0;
  for (; !recordset->Eof(); recordset->MoveNext()) ++count;
  EXPECT_EQ(count, 600);
  recordset.reset();
}

TEST_P(RecordsetTest, ConnectingAgainReplacesTheConnection) {
  connection_->SetConnectionTimeout(30);
  connection_->SetCommandTimeout(30);
  connection_->Open(backend_.data_source, backend_.user, backend_.password);
  EXPECT_TRUE(connection_->IsOpen());
  auto second = testing::Connect(backend_);
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(second);
  recordset->Open("SELECT 7");
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(7)));
  recordset->SetActiveConnection(connection_);
  recordset->Open("SELECT 8");
  EXPECT_TRUE(SameValue(recordset->FieldValue(0), Value::MakeInteger(8)));
}

INSTANTIATE_TEST_SUITE_P(SQLite, RecordsetTest, ::testing::Values("SQLite"));
INSTANTIATE_TEST_SUITE_P(PostgreSQL, RecordsetTest, ::testing::Values("PostgreSQL"));

}  // namespace
}  // namespace tallyvane::odbc
