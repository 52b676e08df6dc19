// The built program run whole: unattended runs against a real SQLite data
// source read back with openpyxl, and what the operator sees of them on
// standard error, on a terminal, for --help, --version and --check.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"
#include "run_ini.h"
#include "shell_command.h"
#include "temp_dir.h"
#include "test_context.h"
#include "workbook_reader.h"

namespace tallyvane {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WorkbookDump;

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    dir.Write("odbc.ini", "[TallyvaneE2E]\nDriver=SQLite3\nDatabase=" + dir.File("data.db") + "\nNoCreat=1\n");
  }

  void CreateDatabase(const std::string& script, const std::string& spec) {
    int status = -1;
    test::RunCommand("sqlite3 " + test::ShellQuote(dir.File("data.db")) + " " + test::ShellQuote(script), &status);
    ASSERT_EQ(status, 0) << script;
    test::MakeWorkbook(dir.File("template.xlsx"), spec);
  }

  // A run on the test's data source, with a password that must never show.
  test::RunIni Ini(const std::string& sql_files, const std::string& parameters = "") {
    test::RunIni ini;
    ini.dsn = "TallyvaneE2E";
    ini.user = "reporter";
    ini.password = "Pa55;w{o}rd secret";
    ini.sql_files = sql_files;
    ini.parameters = parameters;
    return ini;
  }

  // run.sql as the first of two SQL files.
  void WriteRun(const std::string& sql, const std::string& more_files = "", const std::string& parameters = "",
                const std::string& log = "run.log") {
    dir.Write("run.sql", sql);
    test::RunIni ini = Ini("F_MAXNUM=2\nF1=run.sql\n" + more_files, parameters);
    ini.log = log;
    ini.Write(dir);
  }

  // Runs the program in the test's folder; returns its status. Whatever
  // happened, the password reached no output and no file but configurations.
  int Run(const std::string& arguments, const std::string& wrapper = "") {
    last = test::RunProgram(arguments, dir.path(), {dir.File("odbc.ini"), display, wrapper});
    std::string seen = last.output + last.error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (entry.is_regular_file() && entry.path().extension() != ".ini") seen += ReadFileBytes(entry.path());
    }
    EXPECT_EQ(seen.find("Pa55"), std::string::npos) << arguments;
    EXPECT_EQ(seen.find("secret"), std::string::npos) << arguments;
    return last.status;
  }

  std::vector<std::string> Log() { return test::LogMessages(dir.File("run.log")); }

  TempDir dir;
  test::ProgramRun last;
  bool display = false;
};

TEST_F(ProgramTest, TheWorkedExampleGivesExactlyItsLogAndReport) {
  CreateDatabase(
      "CREATE TABLE sales (region TEXT, amount INTEGER, month TEXT, note TEXT);"
      "CREATE TABLE tmp_sales (x INTEGER); INSERT INTO tmp_sales VALUES (1);"
      "INSERT INTO sales VALUES ('North', 10, '2004-10', '#1'), ('North', 5, '2004-10', 'a'),"
      " ('South', 7, '2004-10', 'b'), ('South', 100, '2004-09', 'c');",
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
  Ini("F_MAXNUM=3\nF3=month.sql", "Name1=[MONTH]\nDefault1=2004-09\n").Write(dir);
  EXPECT_EQ(Run("-F run.ini -C 2004-10"), 0);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "Tallyvane 1.4.0",
                "Copyright (C) 2026 The Tallyvane developers. All rights reserved.",
                "Open log file successfully.",
                "Connect to database successfully. DSN=TallyvaneE2E\xEF\xBC\x8C USER=reporter",
                "Create the blank report file \"report.xlsx\".",
                "Open the report file \"report.xlsx\".",
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
                "Save the report file successfully.",
                "Close the report file.",
                "Close the log file.",
            }));
  const WorkbookDump dump = test::DumpWorkbook(dir.File("report.xlsx"));
  EXPECT_EQ(dump.Value("Sheet1!B3"), "North");
  EXPECT_EQ(dump.Value("Sheet1!C3"), "15");
  EXPECT_EQ(dump.Value("Sheet1!B4"), "South");
  EXPECT_EQ(dump.Value("Sheet1!C4"), "7");
  EXPECT_EQ(dump.names.at("TotalCell"), "\"112\"");
}

// Files as Windows editors save them reach the database as UTF-8: a
// configuration with a byte-order mark, or one that names the code page of
// its own text and of its SQL files. Text not valid in its code page stops
// the run before anything is written.
TEST_F(ProgramTest, WindowsTextFilesReachTheDatabaseAsUtf8) {
  CreateDatabase(
      "CREATE TABLE people (name TEXT, city TEXT); INSERT INTO people VALUES ('M\xC3\xBCller', 'Z\xC3\xBCrich "
      "Caf\xC3\xA9');",
      R"j({"sheets": [{"name": "Sheet1"}], "names": {"Found": "\"0\""}})j");
  const std::string query =
      "@F=3;Found\r\nSELECT COUNT(*) FROM people WHERE name = 'M\xFCller' AND city = '[CITY]'\r\n";
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
    dir.Write("run.ini", c.start +
                             "LogFileName=run.log\r\nReportTemplateFileName=template.xlsx\r\n"
                             "ReportFileName=report.xlsx\r\n[ODBC]\r\nDSN=TallyvaneE2E\r\n"
                             "[SQLFILE]\r\nF_MAXNUM=1\r\nF1=find.sql\r\n[PARAMETER]\r\nName1=[CITY]\r\nDefault1=" +
                             c.city + "\r\n");
    EXPECT_EQ(Run("-F run.ini -C"), c.status) << c.start;
    if (c.status == 0) {
      EXPECT_EQ(test::DumpWorkbook(dir.File("report.xlsx")).names.at("Found"), "\"1\"");
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir.File("run.log")));
      EXPECT_NE(last.error.find("run.ini\" is not valid UTF-8 text at line 12."), std::string::npos) << last.error;
    }
  }
}

// Started from a desktop session, on a table of two rows.
class OperatorOutputTest : public ProgramTest {
 protected:
  OperatorOutputTest() {
    display = true;
    CreateDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2); CREATE TABLE b (raw BLOB);",
                   R"j({"sheets": [{"name": "Data"}, {"name": "Summary"}], "names": {"Total": "\"0\"",
                       "Day": "'Data'!$B$2", "Span": "Summary!$A$1:$B$3", "Sum": "SUM(Data!$A$1:$A$2)"}})j");
  }
};

// Runs that stop early never wait for a person and say on standard error
// what stopped them; a missing data source after two error lines.
TEST_F(OperatorOutputTest, EarlyStopsAreToldOnStandardError) {
  const std::string info =
      "Error Info: [unixODBC][Driver Manager]Data source name not found and no default driver "
      "specified (SQLSTATE IM002) (data sources are read from ODBCINI=\"" +
      dir.File("odbc.ini") + "\" and \"/etc/odbc.ini\")";
  const struct {
    std::string sql_files, template_file, dsn, error, last_log_line;
  } cases[] = {
      {"", "", "", "Error!\nError Info: Configuration file \"missing.ini\" does not exist.\n", ""},
      {"F_MAXNUM=lots", "template.xlsx", "TallyvaneE2E",
       "Error: The run stopped on an error that no step handles.\nError Info: Type mismatch (F_MAXNUM is \"lots\")\n"
       "Tallyvane ended with 1 error, exit status 2; see the run log \"run.log\".\n",
       "Error Info: Type mismatch (F_MAXNUM is \"lots\")"},
      {"F_MAXNUM=0", "none.xlsx", "TallyvaneE2E",
       "Error: The information in the configuration file is incorrect.\n"
       "Error Info: The template file \"none.xlsx\" does not exist.\n"
       "Tallyvane ended with 1 error, exit status 2; see the run log \"run.log\".\n",
       "Error Info: The template file \"none.xlsx\" does not exist."},
      {"F_MAXNUM=0", "template.xlsx", "NoSuchSource",
       "Error: Failed to connect to database. DSN=NoSuchSource\xEF\xBC\x8C USER=reporter\n" + info +
           "\nTallyvane ended with 1 error, exit status 2; see the run log \"run.log\".\n",
       info},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir.File("run.log"));
    test::RunIni ini = Ini(c.sql_files);
    ini.template_file = c.template_file;
    ini.dsn = c.dsn;
    ini.Write(dir, "My Reports/month.ini");
    EXPECT_EQ(Run(c.sql_files.empty() ? "-C -F missing.ini" : "-F 'My Reports/month.ini' -C 2004 10"), 2);
    EXPECT_EQ(last.output, "");
    EXPECT_EQ(last.error, c.error);
    EXPECT_EQ(std::filesystem::exists(dir.File("run.log")), !c.sql_files.empty());
    EXPECT_EQ(c.sql_files.empty() ? "" : Log().back(), c.last_log_line);
  }
}

// The value of a line "NAME: value" of odbcinst -j, run in the environment
// given, which is how the driver manager reports the files it reads.
std::string OdbcinstPath(const std::string& environment, const std::string& name) {
  int status = -1;
  const std::string shown = test::RunCommand("env " + environment + " odbcinst -j", &status);
  const std::size_t at = shown.find(name);
  if (at == std::string::npos) return "(" + name + " not shown)";
  const std::size_t start = shown.find(": ", at) + 2;
  return shown.substr(start, shown.find('\n', start) - start);
}

// Each message names what to fix: the places a default configuration was
// looked for, a report folder that is missing, and the data source files
// the driver manager really reads (its user file comes from the password
// file, whatever HOME says).
TEST_F(OperatorOutputTest, MessagesNameWhatToFix) {
  const std::string beside = (std::filesystem::canonical(TALLYVANE_PROGRAM).parent_path() / "tallyvane.ini").string();
  const std::string unknown =
      "Error: Failed to connect to database. DSN=NoSuchSource\xEF\xBC\x8C USER=reporter\n"
      "Error Info: [unixODBC][Driver Manager]Data source name not found and no default "
      "driver specified (SQLSTATE IM002) (data sources are read from \"";
  const std::string elsewhere = "-u ODBCINI HOME=" + test::ShellQuote(dir.File("elsewhere"));
  const std::string ended = "Tallyvane ended with 1 error, exit status 2; see the run log \"run.log\".\n";
  const struct {
    std::string report, dsn, arguments, wrapper;
    int status;
    std::string output, error;
  } cases[] = {
      {"report.xlsx", "TallyvaneE2E", "-C 2004", "env windir=/srv/win", 2, "",
       "Error!\nError Info: Configuration file \"\" does not exist. The default configuration was looked for as \"" +
           beside + "\" and \"/srv/win/tallyvane.ini\".\n"},
      {"report.xlsx", "TallyvaneE2E", "--check 2004", "", 1,
       "tallyvane: error: Configuration file \"\" does not exist. The default configuration was looked for as \"" +
           beside + "\".\n1 error, 0 warnings; 0 statements checked in \"\".\n",
       ""},
      {"reports/month.xlsx", "TallyvaneE2E", "-C -F run.ini", "", 2, "",
       "Error: Failed to open the report file \"reports/month.xlsx\".\nError Info: The report file "
       "\"reports/month.xlsx\" cannot be created: no folder \"reports\".\n" +
           ended},
      {"report.xlsx", "NoSuchSource", "-C -F run.ini", "env " + elsewhere, 2, "",
       unknown + OdbcinstPath(elsewhere, "USER DATA SOURCES") + "\" (ODBCINI not set) and \"" +
           OdbcinstPath(elsewhere, "SYSTEM DATA SOURCES") + "\")\n" + ended},
  };
  for (const auto& c : cases) {
    test::RunIni ini = Ini("F_MAXNUM=0");
    ini.report = c.report;
    ini.dsn = c.dsn;
    ini.Write(dir);
    EXPECT_EQ(Run(c.arguments, c.wrapper), c.status) << c.arguments;
    EXPECT_EQ(last.output, c.output);
    EXPECT_EQ(last.error, c.error);
  }
}

// Checking a clean configuration runs nothing and makes no file, and its
// run prints nothing; a run with errors prints every error pair.
TEST_F(OperatorOutputTest, EveryErrorPairReachesStandardErrorAndACleanRunPrintsNothing) {
  WriteRun(
      "@Add=0\nINSERT INTO t VALUES (99)\n@Fill=2;Data;2;1\nSELECT a FROM t\n@Tot=3;total\nSELECT COUNT(*) FROM t\n");
  const std::string database = ReadFileBytes(dir.File("data.db"));
  const std::string ini = ReadFileBytes(dir.File("run.ini"));
  EXPECT_EQ(Run("--check -F run.ini"), 0);
  EXPECT_EQ(last.output + last.error, "0 errors, 0 warnings; 3 statements checked in \"run.ini\".\n");
  EXPECT_EQ(ReadFileBytes(dir.File("data.db")), database);
  EXPECT_EQ(ReadFileBytes(dir.File("run.ini")), ini);
  int status = -1;
  EXPECT_EQ(test::RunCommand("ls " + test::ShellQuote(dir.path()), &status),
            "data.db\nodbc.ini\nrun.ini\nrun.sql\ntemplate.xlsx\n");
  EXPECT_EQ(Run("-C -F run.ini"), 0);
  EXPECT_EQ(last.output + last.error, "");
  WriteRun("@A=1;Nope;1;1\nSELECT 1\n@B=0\nSELEC 2\n@C=1;Data;1;1\nSELECT a FROM t\n");
  EXPECT_EQ(Run("-C -F run.ini"), 1);
  EXPECT_EQ(last.error,
            "[SQLFILE1]  [A]    Error: Failed to execute function 1.\n"
            "[SQLFILE1]  [A]    Error Info: Subscript out of range (no sheet \"Nope\"; sheets: Data, Summary)\n"
            "[SQLFILE1]  [B]    Error: Failed to execute function 0.\n"
            "[SQLFILE1]  [B]    Error Info: [SQLite]near \"SELEC\": syntax error (1) (SQLSTATE HY000)\n"
            "Tallyvane ended with 2 errors, exit status 1; see the run log \"run.log\".\n");
}

TEST_F(OperatorOutputTest, ATerminalShowsALiveProgressLineThatEndsAsTheSummary) {
  WriteRun("@C=1;Data;1;1\nSELECT a FROM t\n@D=0\nDELETE FROM t WHERE a > 5\n");
  EXPECT_EQ(Run("-C -F run.ini", "/usr/bin/python3 " TALLYVANE_TERMINAL_TOOL), 0);
  for (const char* live : {"\r\x1b[KSQL file 1 of 1  [SQLFILE1]  [C]  0 records written  0:0",
                           "\r\x1b[KSQL file 1 of 1  [SQLFILE1]  [D]  2 records written  0:0"}) {
    EXPECT_NE(last.output.find(live), std::string::npos) << last.output;
  }
  const std::string summary = "\r\x1b[KReport \"report.xlsx\", log \"run.log\": 2 statements, 0 errors, ";
  const std::size_t at = last.output.rfind(summary);
  ASSERT_NE(at, std::string::npos) << last.output;
  EXPECT_EQ(last.output.find('\n', at), last.output.size() - 1);  // the last line
  EXPECT_EQ(ReadFileBytes(dir.File("run.log")).find("SQL file"), std::string::npos);
}

// Anywhere else on the command line --version is a run's value: values fill
// the declared parameters in order, the rest keep their defaults.
TEST_F(OperatorOutputTest, HelpAndVersionOnlyAsTheWholeCommandLine) {
  for (const char* help : {"--help", "-h"}) {
    EXPECT_EQ(Run(help), 0);
    EXPECT_EQ(last.output.rfind("Usage: tallyvane [-F configuration.ini] [-C] [value ...]\n", 0), 0u) << last.output;
    EXPECT_EQ(last.error, "");
  }
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_EQ(last.output + last.error, "Tallyvane 1.4.0\n");
  WriteRun("@P=1;Data;1;1\nSELECT '[A]', '[B]', '[C]'\n", "",
           "Name1=[A]\nDefault1=a1\nName2=[B]\nDefault2=b1\nName4=[C]\nDefault4=c1\n");
  EXPECT_EQ(Run("-C -F run.ini --version 'x y'"), 0);
  EXPECT_EQ(last.output + last.error, "");
  const WorkbookDump dump = test::DumpWorkbook(dir.File("report.xlsx"));
  EXPECT_EQ(dump.Value("Data!A1"), "--version");
  EXPECT_EQ(dump.Value("Data!B1"), "x y");
  EXPECT_EQ(dump.Value("Data!C1"), "c1");
}

TEST_F(OperatorOutputTest, CheckingReportsEveryProblemInOnePassWithItsLine) {
  WriteRun(
      "@Letter=1;Data;1;A\nSELECT 1\n"
      "@Four=4\nSELECT 1\n"
      "@Sheet=1;Stores;1;1\nSELECT 1\n"
      "@Position=2;5;1;1\nSELECT 1\n"
      "@Row=1;Data;0;1\nSELECT 1\n"
      "@Col=1;Summary;1;20000\nSELECT 1\n"
      "@Name=3;Nowhere\nSELECT 1\n"
      "@Column=1;Data;1;1\nSELECT b FROM t\n"
      "@Make=0\nCREATE TABLE made (x)\n"
      "@Use=1;Data;1;1\n# after the table is made\nSELECT x FROM made\n"
      "@Wide=1;Data;1;16384\nSELECT 1, 2\n"
      "@Day=3;Day\nSELECT 1\n"
      "@Span=3;span\nSELECT 1\n"
      "@Sum=3;Sum\nSELECT 1\n"
      "@Bytes=2;Data;1;1\nSELECT 1, raw FROM b\n"
      "@Byte=3;Total\nSELECT raw FROM b\n"
      "@NotRead=3;Total\nSELECT 1, raw FROM b\n"
      "@Broken\n",
      "F2=gone.sql\n", "", "nofolder/run_%Y%m.log");
  EXPECT_EQ(Run("--check -F run.ini"), 1);
  const std::string at = "[SQLFILE1] run.sql:";
  const std::string on_cells =
      "the run makes it stand for the value instead, and that cell keeps its text. Show the "
      "value with a formula such as =\"Value: \"&";
  EXPECT_EQ(last.output,
            "run.ini: error: The run log \"nofolder/run_%Y%m.log\" cannot be created: no folder \"nofolder\".\n"
            "run.ini: warning: LogFileName \"nofolder/run_%Y%m.log\" holds \"%Y\", \"%m\", which the run does not "
            "expand: the date macros are &Y &M &D &H &N &S (an \"&\" before any other letter is dropped, a \"%\" stays "
            "as it stands).\n" +
                at +
                "1 [Letter]: error: The function line cannot be decoded: Type mismatch (field 4 is \"A\"; it must be "
                "the begin column, a whole number)\n" +
                at + "3 [Four]: error: Function 4 does not exist (0 to 3).\n" + at +
                "5 [Sheet]: error: Subscript out of range (no sheet \"Stores\"; sheets: Data, Summary)\n" + at +
                "7 [Position]: error: Subscript out of range (no sheet at position 5; sheets: Data, Summary)\n" + at +
                "9 [Row]: error: Begin row 0 is outside the sheet.\n" + at +
                "11 [Col]: error: Begin col 20000 is outside the sheet (1 to 16384).\n" + at +
                "13 [Name]: error: The template has no defined name \"Nowhere\".\n" + at +
                "15 [Column]: error: [SQLite]no such column: b (1) (SQLSTATE HY000)\n" + at +
                "19 [Use]: warning: It depends on \"made\", made by an earlier statement: [SQLite]no such table: "
                "made (1) (SQLSTATE HY000)\n" +
                at + "22 [Wide]: error: Its 2 columns do not fit in the sheet from the begin col.\n" + at +
                "24 [Day]: warning: The defined name \"Day\" refers to 'Data'!$B$2: " + on_cells + "Day.\n" + at +
                "26 [Span]: warning: The defined name \"span\" refers to Summary!$A$1:$B$3: " + on_cells + "span.\n" +
                at +
                "30 [Bytes]: warning: Its column 2 \"raw\" holds binary data, which no cell takes: the statement "
                "will fail with \"Type mismatch\".\n" +
                at +
                "32 [Byte]: warning: Its column 1 \"raw\" holds binary data, which no cell takes: the statement "
                "will fail with \"Type mismatch\".\n"
                "[SQLFILE1] run.sql: error: Failed to read: The function line \"@Broken\" has no \"=\" (line 36)\n"
                "[SQLFILE2] gone.sql: error: \"gone.sql\" does not exist.\n"
                "12 errors, 6 warnings; 17 statements checked in \"run.ini\".\n");
  Ini("F_MAXNUMBER=1\nF1=run.sql").Write(dir);
  Run("--check -F run.ini");
  EXPECT_EQ(last.output,
            "run.ini: warning: The SQL file list is empty (F_MAXNUM missing, 0 or naming no file).\n"
            "0 errors, 1 warning; 0 statements checked in \"run.ini\".\n");
  // A mistyped macro in the report name, and statements that no data
  // source could check.
  test::RunIni ini = Ini("F_MAXNUM=1\nF1=run.sql");
  ini.report = "day_&T&&D 5&1.xlsx";
  ini.dsn = "NoSuchSource";
  ini.Write(dir);
  dir.Write("run.sql", "@A=0\nSELECT 1\n@B=0\nSELECT 2\n");
  EXPECT_EQ(Run("--check -F run.ini"), 1);
  EXPECT_EQ(
      last.output,
      "run.ini: warning: ReportFileName \"day_&T&&D 5&1.xlsx\" holds \"&T\", which the run does not expand: "
      "the date macros are &Y &M &D &H &N &S (an \"&\" before any other letter is dropped, a \"%\" stays as it "
      "stands).\n"
      "run.ini: error: Failed to connect to database. DSN=NoSuchSource: [unixODBC][Driver Manager]Data source "
      "name not found and no default driver specified (SQLSTATE IM002) (data sources are read from ODBCINI=\"" +
          dir.File("odbc.ini") +
          "\" and \"/etc/odbc.ini\")\n"
          "1 error, 1 warning; 2 statements were read but could not be checked (no connection to the data source) "
          "in \"run.ini\".\n");
}

}  // namespace
}  // namespace tallyvane
