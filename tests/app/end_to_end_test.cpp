// Whole unattended runs of the built program against a real SQLite data
// source, read back with openpyxl.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "program_run.h"
#include "run_ini.h"
#include "temp_dir.h"
#include "test_context.h"
#include "workbook_reader.h"

namespace tallyvane {
namespace {

using test::TempDir;
using test::WorkbookDump;

const char* const kLegalNotice = "Copyright (C) 2026 The Tallyvane developers. All rights reserved.";

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() {
    dir.Write("odbc.ini", "[TallyvaneE2E]\nDriver=SQLite3\nDatabase=" + dir.File("data.db") + "\nNoCreat=1\n");
  }

  void CreateDatabase(const std::string& script) {
    const std::string sql = dir.Write("data.sql", script);
    ASSERT_EQ(std::system(("sqlite3 '" + dir.File("data.db") + "' < '" + sql + "'").c_str()), 0);
  }

  void WriteConfig(const std::string& sql_files, const std::string& parameters = "") {
    test::RunIni ini;
    ini.dsn = "TallyvaneE2E";
    ini.sql_files = sql_files;
    ini.parameters = parameters;
    ini.Write(dir);
  }

  // Runs the program unattended in the test's folder; returns its status.
  int Run(const std::string& values) {
    last = test::RunProgram("-F run.ini -C " + values, dir.path(), dir.File("odbc.ini"));
    return last.status;
  }

  std::vector<std::string> Log() { return test::LogMessages(dir.File("run.log")); }

  std::vector<std::string> Framed(const std::vector<std::string>& sql_lines) {
    std::vector<std::string> lines = {
        "Tallyvane 1.4.0",
        kLegalNotice,
        "Open log file successfully.",
        "Connect to database successfully. DSN=TallyvaneE2E",
        "Create the blank report file \"report.xlsx\".",
        "Open the report file \"report.xlsx\".",
    };
    lines.insert(lines.end(), sql_lines.begin(), sql_lines.end());
    lines.insert(lines.end(), {"Save the report file successfully.", "Close the report file.", "Close the log file."});
    return lines;
  }

  TempDir dir;
  test::ProgramRun last;
};

TEST_F(EndToEndTest, TheWorkedExampleGivesExactlyItsLogAndReport) {
  CreateDatabase(
      "CREATE TABLE sales (region TEXT, amount INTEGER, month TEXT, note TEXT);"
      "CREATE TABLE tmp_sales (x INTEGER); INSERT INTO tmp_sales VALUES (1);"
      "INSERT INTO sales VALUES ('North', 10, '2004-10', '#1'), ('North', 5, '2004-10', 'a'),"
      " ('South', 7, '2004-10', 'b'), ('South', 100, '2004-09', 'c');");
  test::MakeWorkbook(dir.File("template.xlsx"),
                     R"j({"sheets": [{"name": "Sheet1", "cells": {"A1": "=TotalCell"}}], "names": {"TotalCell": "\"0\""}})j");
  dir.Write("month.sql",
            "# Monthly sales\r\n"
            "DELETE FROM tmp_sales\r\n"
            "@Sales=1;Sheet1;3;2\r\n"
            "SELECT region, SUM(amount) FROM sales\r\n"
            "    WHERE month = '[MONTH]' # this month\r\n"
            "GROUP BY region\r\n"
            "\r\n"
            "@Total=3;TotalCell\r\n"
            "SELECT SUM(amount) FROM sales WHERE note <> '#1'\r\n");
  WriteConfig("F_MAXNUM=3\nF3=month.sql", "Name1=[MONTH]\nDefault1=2004-09\n");
  EXPECT_EQ(Run("2004-10"), 0);
  EXPECT_EQ(Log(), Framed({
                       "[SQLFILE3]  Open \"month.sql\" succesfully.",
                       "[SQLFILE3]  []    Function 0",
                       "[SQLFILE3]  []    DELETE FROM tmp_sales",
                       "[SQLFILE3]  []    Success.",
                       "[SQLFILE3]  [Sales]    Function 1, Sheet Sheet1, Begin row 3, Begin col 2",
                       "[SQLFILE3]  [Sales]    SELECT region, SUM(amount) FROM sales WHERE month = '2004-10' GROUP BY region",
                       "[SQLFILE3]  [Sales]    Success.",
                       "[SQLFILE3]  [Total]    Function 3, Name [TotalCell]",
                       "[SQLFILE3]  [Total]    SELECT SUM(amount) FROM sales WHERE note <> '#1'",
                       "[SQLFILE3]  [Total]    Success.",
                   }));
  const std::string raw = test::ReadFileBytes(dir.File("run.log"));
  EXPECT_TRUE(std::regex_match(raw, std::regex(R"((\[\d{8} \d{2}:\d{2}:\d{2}\]    [^\r\n]*\r\n)+)")));
  const WorkbookDump dump = test::DumpWorkbook(dir.File("report.xlsx"));
  EXPECT_EQ(dump.Value("Sheet1!B3"), "North");
  EXPECT_EQ(dump.Value("Sheet1!C3"), "15");
  EXPECT_EQ(dump.Value("Sheet1!B4"), "South");
  EXPECT_EQ(dump.Value("Sheet1!C4"), "7");
  EXPECT_EQ(dump.names.at("TotalCell"), "\"112\"");
}

// What the SQL reader's and the output functions' own tests show, once
// through the whole program: special files, a file that fails halfway,
// numbers out of range and missing sheets are reported, and the run goes on.
TEST_F(EndToEndTest, BrokenFilesAreReportedAndTheRunGoesOn) {
  CreateDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2);");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("good.sql", "@G=1;Sheet1;1;1\nSELECT a FROM t ORDER BY a\n");
  dir.Write("halfway.sql", "@H=0\nUPDATE t SET a = a + 10\n@declare x\nSELECT 1\n");
  dir.Write("bad.sql",
            "@Big=1;Sheet1;40000\nSELECT 1\n@Sheet=1;NoSheet;1;1\nSELECT 1\n"
            "@Six=1;Sheet1;5;1;0;ignored\nSELECT a FROM t ORDER BY a\n");
  std::filesystem::create_directory(dir.File("folder.sql"));
  ASSERT_EQ(mkfifo(dir.File("fifo.sql").c_str(), 0600), 0);
  WriteConfig("F_MAXNUM=6\nF1=good.sql\nF2=halfway.sql\nF3=bad.sql\nF4=folder.sql\nF5=fifo.sql\nF6= good.sql ");
  EXPECT_EQ(Run(""), 1);
  const std::vector<std::string> log = Log();
  for (const char* line : {"Error: Failed to read [SQLFILE2] \"halfway.sql\".", "[SQLFILE2]  [H]    Success.",
                           "Error Info: The function line \"@declare x\" has no \"=\" (line 3)",
                           "Error Info: Overflow (field 3 is \"40000\")", "Error: Failed to execute function 1.", "[SQLFILE3]  [Six]    Success.",
                           "Error Info: [SQLFILE4] \"folder.sql\" does not exist.",
                           "Error Info: [SQLFILE5] \"fifo.sql\" does not exist.",
                           "[SQLFILE6]  Open \"good.sql\" succesfully.", "Close the log file."}) {
    EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
  }
  const WorkbookDump dump = test::DumpWorkbook(dir.File("report.xlsx"));
  EXPECT_EQ(dump.Value("Sheet1!A1"), "11");  // the second good.sql ran after the update
  EXPECT_EQ(dump.Value("Sheet1!A6"), "12");
}

TEST_F(EndToEndTest, CommandLineValuesFillTheParametersInOrder) {
  CreateDatabase("CREATE TABLE t (a INTEGER);");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("p.sql", "@P=1;Sheet1;1;1\nSELECT '[A]', '[B]', '[C]'\n");
  WriteConfig("F_MAXNUM=1\nF1=p.sql",
              "Name1=[A]\nDefault1=a1\nName2=[B]\nDefault2=b1\nName4=[C]\nDefault4=c1\n");
  EXPECT_EQ(Run("'first value' \"x y\""), 0);
  const WorkbookDump dump = test::DumpWorkbook(dir.File("report.xlsx"));
  EXPECT_EQ(dump.Value("Sheet1!A1"), "first value");
  EXPECT_EQ(dump.Value("Sheet1!B1"), "x y");
  EXPECT_EQ(dump.Value("Sheet1!C1"), "c1");
}

TEST_F(EndToEndTest, AnUnconvertibleHighestFileNumberEndsTheRunUnsaved) {
  CreateDatabase("CREATE TABLE t (a INTEGER);");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  WriteConfig("F_MAXNUM=lots");
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Log().back(), "Open the report file \"report.xlsx\".");
  EXPECT_EQ(last.output, "Error!\nError Info: Type mismatch (F_MAXNUM is \"lots\")\n"
                         "Tallyvane ended with 0 errors, exit status 2; see the run log \"run.log\".\n");
}

// Files as Windows editors save them reach the database as UTF-8: a
// configuration with a byte-order mark, or one that names the code page of
// its own text and of its SQL files. Text not valid in its code page stops
// the run before anything is written.
TEST_F(EndToEndTest, WindowsTextFilesReachTheDatabaseAsUtf8) {
  CreateDatabase("CREATE TABLE people (name TEXT, city TEXT); INSERT INTO people VALUES ('M\xC3\xBCller', 'Z\xC3\xBCrich Caf\xC3\xA9');");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}], "names": {"Found": "\"0\""}})j");
  const std::string query = "@F=3;Found\r\nSELECT COUNT(*) FROM people WHERE name = 'M\xFCller' AND city = '[CITY]'\r\n";
  struct Case {
    std::string start;  // of the configuration
    std::string city;
    int status;
  } cases[] = {
      {"[FILE]\r\nCodePage=windows-1252\r\n", "Z\xFCrich Caf\xE9", 0},
      {"\xEF\xBB\xBF[FILE]\r\n", "Z\xC3\xBCrich Caf\xC3\xA9", 0},
      {"[FILE]\r\n", "Z\xFCrich Caf\xE9", 2},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.File("run.log"));
    std::string sql = query;
    if (c.start[0] != '[') sql.replace(sql.find('\xFC'), 1, "\xC3\xBC");
    dir.Write("find.sql", sql);
    dir.Write("run.ini", c.start + "LogFileName=run.log\r\nReportTemplateFileName=template.xlsx\r\n"
                                   "ReportFileName=report.xlsx\r\n[ODBC]\r\nDSN=TallyvaneE2E\r\n"
                                   "[SQLFILE]\r\nF_MAXNUM=1\r\nF1=find.sql\r\n[PARAMETER]\r\nName1=[CITY]\r\nDefault1=" +
                                   c.city + "\r\n");
    EXPECT_EQ(Run(""), c.status) << c.start;
    if (c.status == 0) {
      EXPECT_EQ(test::DumpWorkbook(dir.File("report.xlsx")).names.at("Found"), "\"1\"");
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir.File("run.log")));
      EXPECT_NE(last.output.find("run.ini\" is not valid UTF-8 text at line 12."), std::string::npos) << last.output;
    }
  }
}

// A missing data source stops the run after two error lines; connected or
// not, the password reaches no file and no output.
TEST_F(EndToEndTest, AMissingDataSourceStopsEarlyAndThePasswordIsNeverShown) {
  const std::string password = "Pa55;w{o}rd secret";
  CreateDatabase("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('row');");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("q.sql", "@Q=1;Sheet1;1;1\nSELECT a FROM t\n@Bad=0\nSELEC broken\n");
  std::string outputs;
  for (const std::string& dsn : {std::string("TallyvaneE2E"), std::string("NoSuchSource")}) {
    test::RunIni ini;
    ini.log = "run_" + dsn + ".log";
    ini.report = "report_" + dsn + ".xlsx";
    ini.dsn = dsn;
    ini.user = "reporter";
    ini.password = password;
    ini.sql_files = "F_MAXNUM=1\nF1=q.sql";
    ini.Write(dir);
    Run("");
    outputs += last.output;
  }
  EXPECT_EQ(last.status, 2);  // the run without a data source came last
  const std::vector<std::string> log = test::LogMessages(dir.File("run_NoSuchSource.log"));
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], "Error: Failed to connect to database. DSN=NoSuchSource\xEF\xBC\x8C USER=reporter");
  EXPECT_NE(log[4].find("Data source name not found"), std::string::npos) << log[4];
  EXPECT_FALSE(std::filesystem::exists(dir.File("report_NoSuchSource.xlsx")));
  EXPECT_EQ(outputs.find("Pa55"), std::string::npos) << outputs;
  EXPECT_EQ(outputs.find("secret"), std::string::npos) << outputs;
  ASSERT_TRUE(std::filesystem::exists(dir.File("report_TallyvaneE2E.xlsx")));
  int files_checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (!entry.is_regular_file() || entry.path().filename() == "run.ini") continue;
    const std::string bytes = test::ReadFileBytes(entry.path().string());
    EXPECT_EQ(bytes.find("Pa55"), std::string::npos) << entry.path();
    EXPECT_EQ(bytes.find("secret"), std::string::npos) << entry.path();
    ++files_checked;
  }
  EXPECT_GE(files_checked, 3);  // two logs, a report
}

}  // namespace
}  // namespace tallyvane
