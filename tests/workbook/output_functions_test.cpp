#include "workbook/output_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "report_fixture.h"

namespace tallyvane {
namespace {

using test::ReportFixture;
using test::WorkbookDump;

const char* const kSheets = R"j({"sheets": [{"name": "Sheet1"}, {"name": "Data"}, {"name": "2", "cells": {"B2": "first",
    "C2": "second", "D2": "=COUNTA(B3:C3)"}}], "names": {"Total": "\"0\""}})j";

const char* const kPeople =
    "CREATE TABLE people (name TEXT, age INTEGER, score REAL, born DATE, seen TIMESTAMP, note TEXT);"
    "INSERT INTO people VALUES ('Ann', 31, 2.5, '1993-04-01', '2004-10-05 13:45:10', '=1+1');"
    "INSERT INTO people VALUES ('Bob', NULL, 0.1, '1980-02-29', '2004-10-06 00:00:00', '007');"
    "INSERT INTO people VALUES ('Cy', 7, -3.0, '2000-01-01', '2004-10-07 23:59:59', 'x');"
    "CREATE TABLE empty_table (a INTEGER);"
    "CREATE TABLE stamps (seen TIMESTAMP); INSERT INTO stamps VALUES ('2004-10-05 00:00:10');";

class OutputFunctionsTest : public ReportFixture {};

// Records by rows and by columns, values with their types, a sheet named
// "2" found before the second sheet, and empty results that write nothing
// (a row inserted for them would move the records below); function 2 grows
// the area by the columns that records running across need.
TEST_F(OutputFunctionsTest, WritesTypedRecordsByRowsOrColumnsOnTheSheetNamedFirst) {
  OpenReport(kSheets, kPeople);
  const char* const by_name = "SELECT name, age FROM people ORDER BY name";
  const struct {
    const char* sheet;
    std::int16_t row, col;
    bool by_column;
    const char* sql;
  } runs[] = {
      {"Sheet1", 5, 2, false, by_name},
      {"data", 5, 2, true, by_name},
      {"Sheet1", 1, 1, false, "SELECT name, age, score, born, seen, note FROM people WHERE name = 'Ann'"},
      {"Sheet1", 2, 1, false, "SELECT note FROM people WHERE name = 'Bob'"},
      {"2", 1, 1, false, "SELECT 'named two'"},
      {"1", 3, 1, false, "SELECT 'first'"},
      {"1.5", 2, 1, false, "SELECT 'halves to even'"},
      {"Sheet1", 4, 1, false, "SELECT * FROM empty_table"},
  };
  for (const auto& r : runs)
    EXPECT_TRUE(ExecFunction1(LogOf(t.context), t.context.session, r.sheet, r.row, r.col, r.by_column, r.sql)) << r.sql;
  EXPECT_TRUE(ExecFunction2(LogOf(t.context), t.context.session, "Sheet1", 4, 1, false, "SELECT * FROM empty_table"));
  EXPECT_TRUE(ExecFunction2(LogOf(t.context), t.context.session, "2", 3, 2, true, by_name));
  EXPECT_EQ(t.context.counters.ErrorCount, 0);
  const WorkbookDump dump = SaveAndDump();
  const struct {
    const char* cell;
    const char* type;  // "" when only the value is checked
    const char* value;
  } cells[] = {
      {"Sheet1!B5", "s", "Ann"},
      {"Sheet1!C5", "n", "31"},
      {"Sheet1!B6", "", "Bob"},
      {"Sheet1!C6", "", ""},
      {"Sheet1!B7", "", "Cy"},
      {"Sheet1!C7", "", "7"},
      {"Sheet1!B8", "", ""},
      {"Sheet1!D5", "", ""},
      {"Data!B5", "", "Ann"},
      {"Data!B6", "", "31"},
      {"Data!C5", "", "Bob"},
      {"Data!C6", "", ""},
      {"Data!D5", "", "Cy"},
      {"Data!D6", "", "7"},
      {"Data!E5", "", ""},
      {"Data!B7", "", ""},
      {"Sheet1!A1", "s", "Ann"},
      {"Sheet1!B1", "n", "31"},
      {"Sheet1!C1", "n", "2.5"},
      {"Sheet1!D1", "d", "1993-04-01 00:00:00"},
      {"Sheet1!E1", "d", "2004-10-05 13:45:10"},
      {"Sheet1!F1", "s", "=1+1"},
      {"Sheet1!A2", "s", "007"},
      {"2!A1", "", "named two"},
      {"Data!A1", "", ""},
      {"Sheet1!A3", "", "first"},
      {"Data!A2", "", "halves to even"},
      {"Sheet1!A4", "", ""},
      {"2!B3", "", "Ann"},
      {"2!D3", "", "Cy"},
      {"2!D4", "", "7"},
      {"2!D2", "", "second"},
      {"2!E2", "", "=COUNTA(B3:D3)"},
  };
  for (const auto& c : cells) {
    EXPECT_EQ(dump.Value(c.cell), c.value) << c.cell;
    if (*c.type) {
      EXPECT_EQ(dump.cells.at(c.cell).type, c.type) << c.cell;
    }
  }
}

// Every failure is logged as its function's two lines, a missing sheet
// before the statement runs, and the shared recordset stays usable.
TEST_F(OutputFunctionsTest, FailuresAreLoggedAndLeaveTheSharedRecordsetUsable) {
  OpenReport(kSheets, kPeople);
  for (const char* sheet : {"Nowhere", "9", "40000"}) {
    EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, sheet, 1, 1, false, "SELECT * FROM empty_table"));
    EXPECT_FALSE(ExecFunction2(LogOf(t.context), t.context.session, sheet, 1, 1, false, "SELECT * FROM empty_table"));
  }
  // Had the statement run, its syntax error would be the description.
  EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, "Nowhere", 1, 1, false, "SELEC broken"));
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 3u + 14u);  // three lines of connecting and opening, then two per failure
  EXPECT_EQ(log[3], "Error: Failed to execute function 1.");
  const std::string sheets = "; sheets: Sheet1, Data, 2)";
  EXPECT_EQ(log[4], "Error Info: Subscript out of range (no sheet \"Nowhere\"" + sheets);
  EXPECT_EQ(log[5], "Error: Failed to execute function 2.");
  EXPECT_EQ(log[8], "Error Info: Subscript out of range (no sheet at position 9" + sheets);
  EXPECT_EQ(log[11], "Error: Failed to execute function 1.");
  EXPECT_EQ(log[12], "Error Info: Overflow");
  EXPECT_EQ(log[16], log[4]);
  EXPECT_FALSE(
      ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false, "SELECT * FROM no_such_table"));
  EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 0, 1, false, "SELECT name FROM people"));
  EXPECT_FALSE(
      ExecFunction2(LogOf(t.context), t.context.session, "Sheet1", 32767, 1, false, "SELECT name FROM people"));
  EXPECT_FALSE(ExecFunction3(LogOf(t.context), t.context.session, "Undefined", "SELECT name FROM people"));
  EXPECT_FALSE(
      ExecFunction3(LogOf(t.context), t.context.session, "Total", "SELECT age FROM people WHERE name = 'Bob'"));
  // Statements that return no records set at all (an empty result is fine).
  EXPECT_FALSE(
      ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false, "CREATE TABLE made (i INTEGER)"));
  EXPECT_FALSE(
      ExecFunction2(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false, "INSERT INTO made VALUES (1)"));
  EXPECT_FALSE(ExecFunction3(LogOf(t.context), t.context.session, "Total", "DELETE FROM made"));
  log = Log();
  for (int function = 1; function <= 3; ++function) {
    const std::size_t line = log.size() - 6 + 2 * static_cast<std::size_t>(function - 1);
    EXPECT_EQ(log[line], "Error: Failed to execute function " + std::to_string(function) + ".");
    EXPECT_EQ(log[line + 1], "Error Info: cannot open the record set: the statement returned no records set");
  }
  // No cell takes bytes: the failure names the column that holds them.
  EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false,
                             "SELECT name, x'00ff' AS raw FROM people"));
  EXPECT_FALSE(ExecFunction3(LogOf(t.context), t.context.session, "Total", "SELECT x'00' AS raw"));
  log = Log();
  EXPECT_EQ(log[log.size() - 3], "Error Info: Type mismatch (column 2 \"raw\" holds binary data)");
  EXPECT_EQ(log[log.size() - 1], "Error Info: Type mismatch (column 1 \"raw\" holds binary data)");
  EXPECT_TRUE(ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false,
                            "SELECT name FROM people ORDER BY name"));
  EXPECT_EQ(t.context.counters.ErrorCount, 17);
  EXPECT_FALSE(t.context.session.DbRecordset->State());
  const WorkbookDump dump = SaveAndDump();
  EXPECT_EQ(dump.Value("Sheet1!A3"), "Cy");
  EXPECT_EQ(dump.names.at("Total"), "\"0\"");  // failed assignments leave the name as it was
}

const char* const kTotals = R"j({"sheets": [{"name": "Sheet1", "cells": {
    "A4": "Name", "B4": "Amount", "A6": "end of area", "A7": "Total", "B7": "=SUM(B5:B6)",
    "A8": "below"}, "chart": {"anchor": "D4", "data": "B4:B6", "categories": "A5:A6"}}]})j";

std::string Rows(int count) {
  std::string script = "CREATE TABLE r (name TEXT, amount INTEGER);";
  for (int i = 1; i <= count; ++i) {
    script += "INSERT INTO r VALUES ('n" + std::to_string(i) + "', " + std::to_string(i * 10) + ");";
  }
  return script;
}

// The area between the begin row and the totals (rows 5 and 6) grows by the
// records beyond two, so that the totals, the rows below and the chart's
// data cover every record.
TEST_F(OutputFunctionsTest, Function2GrowsTheAreaSoTotalsCoverEveryRecord) {
  const auto cell = [](const char* column, int row) { return "Sheet1!" + std::string(column) + std::to_string(row); };
  for (const int records : {0, 1, 2, 5}) {
    SCOPED_TRACE(records);
    OpenReport(kTotals, Rows(records));
    ASSERT_TRUE(ExecFunction2(LogOf(t.context), t.context.session, "Sheet1", 5, 1, false,
                              "SELECT name, amount FROM r ORDER BY amount"));
    const WorkbookDump dump = SaveAndDump();
    const int last = 4 + std::max(records, 2);  // the area's last row
    EXPECT_EQ(dump.Value(cell("A", last)), records < 2 ? "end of area" : "n" + std::to_string(records));
    EXPECT_EQ(dump.Value(cell("B", last + 1)), "=SUM(B5:B" + std::to_string(last) + ")");
    EXPECT_EQ(dump.Value(cell("A", last + 2)), "below");
    EXPECT_EQ(dump.Value("Sheet1!B5"), records == 0 ? "" : "10");
    EXPECT_EQ(dump.charts, std::vector<std::string>{"Sheet1!4,4"});
    const std::string csv = records == 5 ? test::RecalculatedCsv(report_path, "Sheet1") : "";
    if (!csv.empty()) {
      EXPECT_NE(csv.find("Total,150"), std::string::npos) << csv;
    }
  }
}

TEST_F(OutputFunctionsTest, Function3AssignsTheFirstValueAsText) {
  OpenReport(R"j({"sheets": [{"name": "Sheet1", "cells": {"A1": "=Label"}}], "names": {"Label": "\"none\"",
      "Num": "\"none\"", "Day": "\"none\"", "Stamp": "\"none\"", "Secs": "\"none\"", "Kept": "\"kept\"", "Quote": "\"none\""}})j",
             kPeople);
  const struct {
    const char* name;
    const char* sql;
    const char* text;
  } cases[] = {
      {"Label", "SELECT name, age FROM people ORDER BY name", "\"Ann\""},
      {"Day", "SELECT born FROM people WHERE name = 'Ann'", "\"1993-04-01\""},
      {"Stamp", "SELECT seen FROM people WHERE name = 'Ann'", "\"2004-10-05 13:45:10\""},
      {"Secs", "SELECT seen FROM stamps", "\"2004-10-05 00:00:10\""},
      {"Quote", "SELECT 'say \"hi\"'", "\"say \"\"hi\"\"\""},
  };
  for (const auto& c : cases) EXPECT_TRUE(ExecFunction3(LogOf(t.context), t.context.session, c.name, c.sql)) << c.name;
  EXPECT_TRUE(ExecFunction3(LogOf(t.context), t.context.session, "num",
                            "SELECT score FROM people WHERE name = 'Bob'"));  // any case
  // An empty result assigns nothing and fails without an error.
  EXPECT_FALSE(ExecFunction3(LogOf(t.context), t.context.session, "Kept", "SELECT * FROM empty_table"));
  EXPECT_EQ(t.context.counters.ErrorCount, 0);
  const WorkbookDump dump = SaveAndDump();
  for (const auto& c : cases) EXPECT_EQ(dump.names.at(c.name), c.text) << c.name;
  EXPECT_EQ(dump.names.at("Num"), "\"0.1\"");
  EXPECT_EQ(dump.names.at("Kept"), "\"kept\"");
}

TEST_F(OutputFunctionsTest, SixteenBitRowRulesHoldFromRowOne) {
  OpenReport(R"j({"sheets": [{"name": "Sheet1"}]})j",
             "CREATE TABLE n (i INTEGER);"
             "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 32768)"
             " INSERT INTO n SELECT i FROM c;");
  EXPECT_TRUE(
      ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 1, false, "SELECT i FROM n WHERE i <= 32766"));
  EXPECT_FALSE(
      ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 2, false, "SELECT i FROM n WHERE i <= 32767"));
  EXPECT_FALSE(ExecFunction1(LogOf(t.context), t.context.session, "Sheet1", 1, 3, false, "SELECT i FROM n"));
  EXPECT_FALSE(ExecFunction2(LogOf(t.context), t.context.session, "Sheet1", 1, 4, false, "SELECT i FROM n"));
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 3u + 6u);
  for (std::size_t line = 4; line < log.size(); line += 2) EXPECT_EQ(log[line], "Error Info: Overflow");
  const WorkbookDump dump = SaveAndDump();
  EXPECT_EQ(dump.Value("Sheet1!A32766"), "32766");
  EXPECT_EQ(dump.Value("Sheet1!B1"), "");
  EXPECT_EQ(dump.Value("Sheet1!D1"), "");
}

}  // namespace
}  // namespace tallyvane
