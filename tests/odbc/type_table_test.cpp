// Every type an engine offers, through its real driver into a real report:
// each cell's kind and value as an independent reader (openpyxl) sees it,
// and function 3's text of the same value, for SQLite, PostgreSQL (both of
// psqlODBC's drivers) and MariaDB.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "db/database_connection.h"
#include "log/run_log.h"
#include "report_fixture.h"
#include "test_data_sources.h"
#include "workbook/output_functions.h"
#include "workbook/report_file.h"

namespace tallyvane {
namespace {

// A column of one type: a literal, the cell openpyxl reads back (its type
// letter and value) and the text function 3 assigns.
struct TypeRow {
  const char* type;
  std::string literal;
  const char* cell_type;
  std::string cell;
  std::string name_text;
};

const std::string kUnicode =
    "Gr\xC3\xBC\xC3\x9F"
    "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 \"q\"";
const std::string kUnicodeLiteral = "'" + kUnicode + "'";

std::string Long(std::size_t length, char fill) {
  std::string text = "\xC3\xA9" + std::string(length - 1, fill);
  return text;
}

// Whole numbers up to 2^53 either way stay numbers; beyond, the exact
// digits as text. Decimals stay numbers (the nearest double); function 3
// keeps every digit the engine wrote, fractions of seconds included.
const std::vector<TypeRow> kSqlite = {
    {"integer", "42", "n", "42", "42"},
    {"bigint", "9007199254740992", "n", "9007199254740992", "9007199254740992"},
    {"bigint", "-9007199254740993", "s", "-9007199254740993", "-9007199254740993"},
    {"bigint", "9223372036854775807", "s", "9223372036854775807", "9223372036854775807"},
    {"double", "2.5", "n", "2.5", "2.5"},
    {"real", "0.1", "n", "0.1", "0.1"},
    {"numeric(12,3)", "1234.5", "n", "1234.5", "1234.5"},
    // The SQLite driver describes DECIMAL columns as text.
    {"decimal(10,2)", "-12.5", "s", "-12.5", "-12.5"},
    {"text", kUnicodeLiteral, "s", kUnicode, kUnicode},
    // SQLite holds text to no declared size.
    {"varchar(10)", "'" + Long(3000, 'v') + "'", "s", Long(3000, 'v'), Long(3000, 'v')},
    {"date", "'2024-02-29'", "d", "2024-02-29 00:00:00", "2024-02-29"},
    {"time", "'12:34:56.789'", "d", "12:34:56.789000", "12:34:56.789"},
    {"timestamp", "'2024-06-01 12:34:56.789123'", "d", "2024-06-01 12:34:56.789000", "2024-06-01 12:34:56.789123"},
    {"timestamp", "'2024-06-01T08:00:00Z'", "d", "2024-06-01 08:00:00", "2024-06-01 08:00:00"},
    {"boolean", "1", "b", "TRUE", "True"},
};

const std::vector<TypeRow> kPostgres = {
    {"smallint", "-32768", "n", "-32768", "-32768"},
    {"integer", "2147483647", "n", "2147483647", "2147483647"},
    {"bigint", "-9007199254740992", "n", "-9007199254740992", "-9007199254740992"},
    {"bigint", "9007199254740993", "s", "9007199254740993", "9007199254740993"},
    {"bigint", "9223372036854775807", "s", "9223372036854775807", "9223372036854775807"},
    {"real", "-0.25", "n", "-0.25", "-0.25"},
    {"double precision", "0.1", "n", "0.1", "0.1"},
    {"numeric(12,3)", "1234.5", "n", "1234.5", "1234.500"},
    {"numeric(38,10)", "1234567890123456789012345678.1234567890", "n", "1.2345678901234569e+27",
     "1234567890123456789012345678.1234567890"},
    {"numeric", "-12345678901234567890123456789012345678", "s", "-12345678901234567890123456789012345678",
     "-12345678901234567890123456789012345678"},
    {"text", kUnicodeLiteral, "s", kUnicode, kUnicode},
    {"varchar(2000)", "'" + Long(2000, 'v') + "'", "s", Long(2000, 'v'), Long(2000, 'v')},
    {"char(3)", "'ab'", "s", "ab ", "ab "},
    {"json", "'{\"a\": [1, 2]}'", "s", "{\"a\": [1, 2]}", "{\"a\": [1, 2]}"},
    // psqlODBC writes UUIDs in capitals.
    {"uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", "s", "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11",
     "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11"},
    {"interval", "'1 day 02:00:00'", "s", "1 day 02:00:00", "1 day 02:00:00"},
    {"date", "'2024-02-29'", "d", "2024-02-29 00:00:00", "2024-02-29"},
    {"time", "'12:34:56.789'", "d", "12:34:56.789000", "12:34:56.789"},
    {"timestamp", "'2024-06-01 12:34:56.789123'", "d", "2024-06-01 12:34:56.789000", "2024-06-01 12:34:56.789123"},
    {"timestamp(3)", "'2024-06-01 12:34:56.5'", "d", "2024-06-01 12:34:56.500000", "2024-06-01 12:34:56.5"},
    {"boolean", "true", "b", "TRUE", "True"},
};

const std::vector<TypeRow> kMaria = {
    {"TINYINT", "-128", "n", "-128", "-128"},
    {"MEDIUMINT UNSIGNED", "16777215", "n", "16777215", "16777215"},
    {"INT UNSIGNED", "4294967295", "n", "4294967295", "4294967295"},
    {"BIGINT", "9007199254740993", "s", "9007199254740993", "9007199254740993"},
    {"BIGINT", "-9223372036854775808", "s", "-9223372036854775808", "-9223372036854775808"},
    {"BIGINT UNSIGNED", "18446744073709551615", "s", "18446744073709551615", "18446744073709551615"},
    {"BIGINT UNSIGNED", "12345678901234567890", "s", "12345678901234567890", "12345678901234567890"},
    {"BIGINT UNSIGNED", "9007199254740992", "n", "9007199254740992", "9007199254740992"},
    {"DOUBLE", "0.1", "n", "0.1", "0.1"},
    {"FLOAT", "-0.25", "n", "-0.25", "-0.25"},
    {"DECIMAL(65,30)", "12345678901234567890123456789012345.123456789012345678901234567890", "n",
     "1.234567890123457e+34", "12345678901234567890123456789012345.123456789012345678901234567890"},
    {"DECIMAL(38,0)", "12345678901234567890123456789012345678", "s", "12345678901234567890123456789012345678",
     "12345678901234567890123456789012345678"},
    {"DECIMAL(10,2)", "-12.5", "n", "-12.5", "-12.50"},
    {"VARCHAR(2000)", "'" + Long(2000, 'v') + "'", "s", Long(2000, 'v'), Long(2000, 'v')},
    {"TEXT", kUnicodeLiteral, "s", kUnicode, kUnicode},
    {"LONGTEXT", "'" + Long(20000, 'l') + "'", "s", Long(20000, 'l'), Long(20000, 'l')},
    {"JSON", "'{\"a\": [1, 2]}'", "s", "{\"a\": [1, 2]}", "{\"a\": [1, 2]}"},
    {"CHAR(3)", "'ab'", "s", "ab", "ab"},
    {"ENUM('x','y')", "'y'", "s", "y", "y"},
    {"DATE", "'2024-02-29'", "d", "2024-02-29 00:00:00", "2024-02-29"},
    {"TIME(3)", "'12:34:56.789'", "d", "12:34:56.789000", "12:34:56.789"},
    {"DATETIME(6)", "'2024-06-01 12:34:56.789123'", "d", "2024-06-01 12:34:56.789000", "2024-06-01 12:34:56.789123"},
    {"TIMESTAMP", "'2024-06-01 12:34:56'", "d", "2024-06-01 12:34:56", "2024-06-01 12:34:56"},
};

// Columns declared long, values past every buffer size in a result of
// several rows: each row keeps its own text.
const std::vector<std::size_t> kLongLengths = {10, 257, 300, 1025, 20000};

class TypeTableTest : public test::ReportFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    const std::string engine = GetParam();
    if (engine == "SQLite") {
      backend_ = testing::FreshSqliteDatabase();
    } else if (engine == "MariaDB") {
      testing::PrepareMaria(&backend_);
    } else if (engine == "PostgreSQL ANSI") {
      testing::PreparePostgresAnsi(&backend_);
    } else {
      testing::PreparePostgres(&backend_);
    }
  }

  const std::vector<TypeRow>& Rows() const {
    const std::string engine = GetParam();
    return engine == "SQLite" ? kSqlite : engine == "MariaDB" ? kMaria : kPostgres;
  }
  const char* LongType() const {
    const std::string engine = GetParam();
    return engine == "SQLite" ? "text" : engine == "MariaDB" ? "LONGTEXT" : "text";
  }

  // A report on a template defining the names V0, V1 and so on.
  void OpenReportOn(std::size_t names) {
    std::string spec = R"j({"sheets": [{"name": "Data"}], "names": {)j";
    for (std::size_t i = 0; i < names; ++i)
      spec += (i ? ", " : "") + std::string("\"V") + std::to_string(i) + "\": \"\\\"none\\\"\"";
    test::MakeWorkbook(template_path, spec + "}}");
    t.context.settings.DataSourceName = backend_.data_source;
    t.context.settings.DbUserName = backend_.user;
    t.context.settings.DbPassword = backend_.password;
    ASSERT_TRUE(ConnectDatabase(LogOf(t.context), t.context.settings, *t.context.wiring.Platform, t.context.session))
        << ::testing::PrintToString(Log());
    t.context.session.ExcelApp = platform->CreateSpreadsheetApp();
    ASSERT_TRUE(OpenReportFile(LogOf(t.context), t.context.settings, *t.context.wiring.FileSystem, t.context.session))
        << ::testing::PrintToString(Log());
  }

  void Execute(const std::string& sql) { t.context.session.DbConnection->Execute(sql); }

  testing::Backend backend_;
};

std::string Cell(int row, std::size_t column) {
  std::string letters;
  for (std::size_t c = column + 1; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return "Data!" + letters + std::to_string(row);
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

TEST_P(TypeTableTest, EveryTypeReachesItsCellAndItsNameExactly) {
  if (IsSkipped() || HasFatalFailure()) return;
  const std::vector<TypeRow>& rows = Rows();
  OpenReportOn(rows.size());
  ASSERT_FALSE(HasFatalFailure());
  std::string columns = "k integer", values = "1", nulls = "2";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    columns += ", c" + std::to_string(i) + " " + rows[i].type;
    values += ", " + rows[i].literal;
    nulls += ", NULL";
  }
  Execute("CREATE TABLE v (" + columns + ")");
  // The literal row on both sides of a row of NULLs.
  Execute("INSERT INTO v VALUES (" + values + ")");
  Execute("INSERT INTO v VALUES (" + nulls + ")");
  Execute("INSERT INTO v VALUES (3" + values.substr(1) + ")");
  Execute(std::string("CREATE TABLE lt (id integer, s ") + LongType() + ", n integer)");
  for (std::size_t i = 0; i < kLongLengths.size(); ++i) {
    Execute("INSERT INTO lt VALUES (" + std::to_string(i) + ", '" + Long(kLongLengths[i], static_cast<char>('a' + i)) +
            "', " + std::to_string(i) + ")");
  }
  EXPECT_TRUE(ExecFunction1(LogOf(t.context), t.context.session, "Data", 1, 1, false, "SELECT * FROM v ORDER BY k"));
  EXPECT_TRUE(
      ExecFunction1(LogOf(t.context), t.context.session, "Data", 5, 1, false, "SELECT s, n, s FROM lt ORDER BY id"));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(ExecFunction3(LogOf(t.context), t.context.session, "V" + std::to_string(i),
                              "SELECT c" + std::to_string(i) + " FROM v ORDER BY k"));
  }
  EXPECT_EQ(t.context.counters.ErrorCount, 0) << ::testing::PrintToString(Log());
  const test::WorkbookDump dump = SaveAndDump();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].type + (" " + rows[i].literal.substr(0, 60)));
    for (const int row : {1, 3}) {
      const auto cell = dump.cells.find(Cell(row, i + 1));
      ASSERT_NE(cell, dump.cells.end());
      EXPECT_EQ(cell->second.type, rows[i].cell_type);
      EXPECT_EQ(cell->second.value, rows[i].cell);
    }
    EXPECT_EQ(dump.cells.count(Cell(2, i + 1)), 0u);  // NULL leaves the cell empty
    // A long text is a formula joining literals of 255 characters at most.
    const std::string name = std::regex_replace(dump.names.at("V" + std::to_string(i)), std::regex("\"&\""), "");
    EXPECT_EQ(name, Quoted(rows[i].name_text));
  }
  for (std::size_t i = 0; i < kLongLengths.size(); ++i) {
    const std::string text = Long(kLongLengths[i], static_cast<char>('a' + i));
    EXPECT_EQ(dump.Value(Cell(5 + static_cast<int>(i), 0)), text) << kLongLengths[i];
    EXPECT_EQ(dump.Value(Cell(5 + static_cast<int>(i), 1)), std::to_string(i));
    EXPECT_EQ(dump.Value(Cell(5 + static_cast<int>(i), 2)), text) << kLongLengths[i];
  }
}

// No cell takes bytes: function 1 and function 3 fail naming the column.
TEST_P(TypeTableTest, BinaryColumnsFailNamingTheColumn) {
  if (IsSkipped() || HasFatalFailure()) return;
  OpenReportOn(1);
  ASSERT_FALSE(HasFatalFailure());
  const std::string engine = GetParam();
  const std::vector<std::pair<const char*, const char*>> types =
      engine == "SQLite"    ? std::vector<std::pair<const char*, const char*>>{{"blob", "x'00ff'"}}
      : engine == "MariaDB" ? std::vector<std::pair<const char*, const char*>>{{"BLOB", "x'00ff'"},
                                                                               {"VARBINARY(10)", "x'00'"},
                                                                               {"BIT(8)", "b'10101010'"},
                                                                               {"POINT", "POINT(1, 2)"}}
                            : std::vector<std::pair<const char*, const char*>>{{"bytea", "'\\x00ff'"}};
  for (const auto& [type, literal] : types) {
    SCOPED_TRACE(type);
    Execute("DROP TABLE IF EXISTS b");
    Execute(std::string("CREATE TABLE b (k integer, raw ") + type + ")");
    Execute(std::string("INSERT INTO b VALUES (1, ") + literal + ")");
    EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, "Data", 1, 1, false, "SELECT k, raw FROM b"));
    EXPECT_FALSE(ExecFunction3(LogOf(t.context), t.context.session, "V0", "SELECT raw AS bytes FROM b"));
    const std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[log.size() - 3], "Error Info: Type mismatch (column 2 \"raw\" holds binary data)");
    EXPECT_EQ(log[log.size() - 1], "Error Info: Type mismatch (column 1 \"bytes\" holds binary data)");
  }
}

INSTANTIATE_TEST_SUITE_P(SQLite, TypeTableTest, ::testing::Values("SQLite"));
INSTANTIATE_TEST_SUITE_P(PostgreSQL, TypeTableTest, ::testing::Values("PostgreSQL", "PostgreSQL ANSI"));
INSTANTIATE_TEST_SUITE_P(MariaDB, TypeTableTest, ::testing::Values("MariaDB"));

}  // namespace
}  // namespace tallyvane
