// Whole unattended runs of the built program against a real SQLite data
// source, read back with openpyxl.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

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
    dir.Write("run.ini", "[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\n"
                         "ReportFileName=report.xlsx\n[ODBC]\nDSN=TallyvaneE2E\n[SQLFILE]\n" +
                             sql_files + "\n[PARAMETER]\n" + parameters);
  }

  // Runs the program unattended in the test's folder; returns its status.
  int Run(const std::string& values) {
    const std::string command = "cd '" + dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ODBCINI='" +
                                dir.File("odbc.ini") + "' '" + TALLYVANE_PROGRAM + "' -F run.ini -C " + values +
                                " >>output.txt 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

TEST_F(EndToEndTest, FilesWithGapsMissingUnreadableAndBrokenAreReportedAndTheRunGoesOn) {
  CreateDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2);");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("good.sql", "@G=1;Sheet1;1;1\nSELECT a FROM t ORDER BY a\n");
  dir.Write("halfway.sql", "@H=0\nUPDATE t SET a = a + 10\n@declare x\nSELECT 1\n");
  dir.Write("bad.sql",
            "@Letter=x;Sheet1\nSELECT 1\n"
            "@Big=1;Sheet1;40000\nSELECT 1\n"
            "@Four=4\nSELECT 1\n"
            "@Neg=-1\nSELECT 1\n"
            "@Sheet=1;NoSheet;1;1\nSELECT 1\n"
            "@Rejected=0\nSELEC 1\n"
            "@Six=1;Sheet1;5;1;0;ignored\nSELECT a FROM t ORDER BY a\n");
  std::filesystem::create_directory(dir.File("folder.sql"));
  ASSERT_EQ(mkfifo(dir.File("fifo.sql").c_str(), 0600), 0);
  WriteConfig("F_MAXNUM=8\nF1=good.sql\nF3=missing.sql\nF4=halfway.sql\nF5=bad.sql\nF6=folder.sql\nF7=fifo.sql\nF8= good.sql ");
  EXPECT_EQ(Run(""), 1);
  const std::vector<std::string> log = Log();
  auto contains = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  EXPECT_TRUE(contains("Error Info: [SQLFILE3] \"missing.sql\" does not exist."));
  EXPECT_TRUE(contains("Error: Failed to read [SQLFILE4] \"halfway.sql\"."));
  EXPECT_TRUE(contains("[SQLFILE4]  [H]    Success."));
  EXPECT_TRUE(contains("Error: Failed to excute function."));
  EXPECT_TRUE(contains("Error Info: Type mismatch (field 1 is \"x\")"));
  EXPECT_TRUE(contains("Error Info: Overflow (field 3 is \"40000\")"));
  EXPECT_TRUE(contains("Error Info: The function line \"@declare x\" has no \"=\" (line 3)"));
  EXPECT_TRUE(contains("[SQLFILE5]  [Four]    Failure."));
  EXPECT_TRUE(contains("[SQLFILE5]  [Neg]    Failure."));
  EXPECT_TRUE(contains("[SQLFILE5]  [Sheet]    Function 1, Sheet NoSheet, Begin row 1, Begin col 1"));
  EXPECT_TRUE(contains("Error: Failed to execute function 0."));
  EXPECT_TRUE(contains("[SQLFILE5]  [Six]    Success."));
  EXPECT_TRUE(contains("Error Info: [SQLFILE6] \"folder.sql\" does not exist."));
  EXPECT_TRUE(contains("Error Info: [SQLFILE7] \"fifo.sql\" does not exist."));
  EXPECT_TRUE(contains("[SQLFILE8]  Open \"good.sql\" succesfully."));
  EXPECT_FALSE(contains("[SQLFILE2]  Open \"\" succesfully."));
  EXPECT_EQ(log.back(), "Close the log file.");
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
  EXPECT_EQ(test::ReadFileBytes(dir.File("output.txt")), "Error!\nError Info: Type mismatch (F_MAXNUM is \"lots\")\n"
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
      EXPECT_NE(test::ReadFileBytes(dir.File("output.txt")).find("run.ini\" is not valid UTF-8 text at line 12."),
                std::string::npos);
    }
  }
}

TEST_F(EndToEndTest, AMissingDataSourceStopsTheRunAfterTwoErrorLines) {
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("run.ini", "[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\n"
                       "ReportFileName=report.xlsx\n[ODBC]\nDSN=NoSuchSource\nDBUSER=sa\nDBPWD=pa;ss\n");
  EXPECT_EQ(Run(""), 2);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], "Error: Failed to connect to database. DSN=NoSuchSource\xEF\xBC\x8C USER=sa");
  EXPECT_NE(log[4].find("Data source name not found"), std::string::npos) << log[4];
  EXPECT_EQ(test::ReadFileBytes(dir.File("run.log")).find("pa;ss"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("report.xlsx")));
}

TEST_F(EndToEndTest, ThePasswordNeverReachesAnyFileOrOutput) {
  const std::string password = "Pa55;w{o}rd secret";
  CreateDatabase("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('row');");
  test::MakeWorkbook(dir.File("template.xlsx"), R"j({"sheets": [{"name": "Sheet1"}]})j");
  dir.Write("q.sql", "@Q=1;Sheet1;1;1\nSELECT a FROM t\n@Bad=0\nSELEC broken\n");
  for (const std::string& dsn : {std::string("TallyvaneE2E"), std::string("NoSuchSource")}) {
    dir.Write("run.ini", "[FILE]\nLogFileName=run_" + dsn + ".log\nReportTemplateFileName=template.xlsx\n"
                         "ReportFileName=report_" + dsn + ".xlsx\n[ODBC]\nDSN=" + dsn +
                         "\nDBUSER=reporter\nDBPWD=" + password + "\n[SQLFILE]\nF_MAXNUM=1\nF1=q.sql\n");
    Run("");
  }
  ASSERT_TRUE(std::filesystem::exists(dir.File("report_TallyvaneE2E.xlsx")));
  int files_checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (!entry.is_regular_file() || entry.path().filename() == "run.ini") continue;
    const std::string bytes = test::ReadFileBytes(entry.path().string());
    EXPECT_EQ(bytes.find("Pa55"), std::string::npos) << entry.path();
    EXPECT_EQ(bytes.find("secret"), std::string::npos) << entry.path();
    ++files_checked;
  }
  EXPECT_GE(files_checked, 4);  // two logs, a report, the program's output
}

}  // namespace
}  // namespace tallyvane
