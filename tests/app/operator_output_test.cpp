// What the operator sees of the program started from a terminal, cron or a
// desktop session: standard error of unattended runs, progress on a
// terminal, --help and --version, and the --check preflight.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_command.h"
#include "temp_dir.h"
#include "test_context.h"
#include "workbook_reader.h"

namespace tallyvane {
namespace {

using test::ReadFileBytes;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class OperatorOutputTest : public ::testing::Test {
 protected:
  OperatorOutputTest() {
    dir.Write("odbc.ini", "[TallyvaneOps]\nDriver=SQLite3\nDatabase=" + dir.File("data.db") + "\nNoCreat=1\n");
    Shell("sqlite3 data.db 'CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2);'");
    test::MakeWorkbook(dir.File("template.xlsx"),
                       R"j({"sheets": [{"name": "Data"}, {"name": "Summary"}], "names": {"Total": "\"0\""}})j");
  }

  std::string Shell(const std::string& command) {
    int status = -1;
    std::string out = test::RunCommand("cd '" + dir.path() + "' && " + command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
  }

  void WriteConfig(const std::string& sql, const std::string& extra = "",
                   const std::string& log = "run.log") {
    dir.Write("run.sql", sql);
    dir.Write("run.ini", "[FILE]\r\nLogFileName=" + log + "\r\nReportTemplateFileName=template.xlsx\r\n"
                         "ReportFileName=report.xlsx\r\n[ODBC]\r\nDSN=TallyvaneOps\r\n"
                         "[SQLFILE]\r\nF_MAXNUM=2\r\nF1=run.sql\r\n" + extra);
  }

  // Runs the program in the test's folder with a display available; a
  // program that waits for a person is killed after a minute.
  Outcome Run(const std::string& arguments, const std::string& wrapper = "") {
    const std::string command = "cd '" + dir.path() + "' && QT_QPA_PLATFORM=offscreen ODBCINI='" +
                                dir.File("odbc.ini") + "' timeout 60 " + wrapper + " '" + TALLYVANE_PROGRAM + "' " +
                                arguments + " 2>'" + output.File("err") + "'";
    Outcome outcome;
    outcome.out = test::RunCommand(command, &outcome.status);
    outcome.err = ReadFileBytes(output.File("err"));
    return outcome;
  }

  test::TempDir dir;
  test::TempDir output;
};

TEST_F(OperatorOutputTest, UnattendedRunsNeverWaitForAPersonAndSayWhatFailed) {
  dir.Write("nosource.ini", "[FILE]\nLogFileName=n.log\nReportTemplateFileName=template.xlsx\n"
                            "ReportFileName=n.xlsx\n[ODBC]\nDSN=NoSuchSource\n");
  const struct {
    const char* arguments;
    int status;
    std::vector<std::string> err_parts;
  } cases[] = {
      {"-C -F missing.ini", 2, {"Error!\nError Info: Configuration file \"missing.ini\" does not exist.\n"}},
      {"-F nosource.ini -C", 2,
       {"Error: Failed to connect to database. DSN=NoSuchSource\nError Info: [unixODBC][Driver Manager]Data "
        "source name not found",
        "(data sources are read from ODBCINI=",
        "\nTallyvane ended with 1 error, exit status 2; see the run log \"n.log\".\n"}},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments;
    EXPECT_EQ(outcome.out, "");
    for (const std::string& part : c.err_parts) EXPECT_NE(outcome.err.find(part), std::string::npos) << outcome.err;
  }
}

TEST_F(OperatorOutputTest, EveryErrorPairReachesStandardErrorAndACleanRunPrintsNothing) {
  WriteConfig("@A=1;Nope;1;1\nSELECT 1\n@B=0\nSELEC 2\n@C=1;Data;1;1\nSELECT a FROM t\n");
  const Outcome failing = Run("-C -F run.ini");
  EXPECT_EQ(failing.status, 1);
  EXPECT_EQ(failing.err,
            "[SQLFILE1]  [A]    Error: Failed to execute function 1.\n"
            "[SQLFILE1]  [A]    Error Info: Subscript out of range (no sheet \"Nope\"; sheets: Data, Summary)\n"
            "[SQLFILE1]  [B]    Error: Failed to execute function 0.\n"
            "[SQLFILE1]  [B]    Error Info: [SQLite]near \"SELEC\": syntax error (1) (SQLSTATE HY000)\n"
            "Tallyvane ended with 2 errors, exit status 1; see the run log \"run.log\".\n");
  WriteConfig("@C=1;Data;1;1\nSELECT a FROM t\n");
  const Outcome clean = Run("-C -F run.ini");
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(clean.out + clean.err, "");
}

TEST_F(OperatorOutputTest, ATerminalShowsALiveProgressLineThatEndsAsTheSummary) {
  WriteConfig("@C=1;Data;1;1\nSELECT a FROM t\n@D=0\nDELETE FROM t WHERE a > 5\n");
  const Outcome outcome = Run("-C -F run.ini", "/usr/bin/python3 " TALLYVANE_TERMINAL_TOOL);
  EXPECT_EQ(outcome.status, 0);
  for (const char* live : {"\r\x1b[KSQL file 1 of 1  [SQLFILE1]  [C]  0 records written  0:0",
                           "\r\x1b[KSQL file 1 of 1  [SQLFILE1]  [D]  2 records written  0:0"}) {
    EXPECT_NE(outcome.out.find(live), std::string::npos) << outcome.out;
  }
  const std::string summary = "\r\x1b[KReport \"report.xlsx\", log \"run.log\": 2 statements, 0 errors, ";
  const std::size_t at = outcome.out.rfind(summary);
  ASSERT_NE(at, std::string::npos) << outcome.out;
  EXPECT_EQ(outcome.out.find('\n', at), outcome.out.size() - 1);  // the last line
  EXPECT_EQ(ReadFileBytes(dir.File("run.log")).find("SQL file"), std::string::npos);
}

TEST_F(OperatorOutputTest, HelpAndVersionOnlyAsTheWholeCommandLine) {
  WriteConfig("@P=0\nSELECT '[P]'\n", "[PARAMETER]\r\nName1=[P]\r\n");
  const struct {
    const char* arguments;
    const char* out_begins;
  } cases[] = {
      {"--help", "Usage: tallyvane [-F configuration.ini] [-C] [value ...]\n"},
      {"-h", "Usage: tallyvane"},
      {"--version", "Tallyvane 1.4.0\n"},
      {"-C -F run.ini --version", ""},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, 0) << c.arguments;
    EXPECT_EQ(outcome.out.rfind(c.out_begins, 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
  EXPECT_EQ(Run("--version").out, "Tallyvane 1.4.0\n");
  EXPECT_NE(ReadFileBytes(dir.File("run.log")).find("[SQLFILE1]  [P]    SELECT '--version'"), std::string::npos);
}

TEST_F(OperatorOutputTest, CheckingACleanConfigurationChangesNothing) {
  WriteConfig("@Add=0\nINSERT INTO t VALUES (99)\n@Fill=2;Data;2;1\nSELECT a FROM t\n@Tot=3;total\nSELECT COUNT(*) FROM t\n");
  const std::string database = ReadFileBytes(dir.File("data.db"));
  const std::string ini = ReadFileBytes(dir.File("run.ini"));
  const Outcome outcome = Run("--check -F run.ini");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "0 errors, 0 warnings; 3 statements checked in \"run.ini\".\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(ReadFileBytes(dir.File("data.db")), database);
  EXPECT_EQ(ReadFileBytes(dir.File("run.ini")), ini);
  EXPECT_EQ(Shell("ls"), "data.db\nodbc.ini\nrun.ini\nrun.sql\ntemplate.xlsx\n");
}

TEST_F(OperatorOutputTest, CheckingReportsEveryProblemInOnePassWithItsLine) {
  WriteConfig(
      "@Letter=x;Data\nSELECT 1\n"
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
      "@Broken\n",
      "F2=gone.sql\r\n", "nofolder/run.log");
  const Outcome outcome = Run("--check -F run.ini");
  EXPECT_EQ(outcome.status, 1);
  const std::string at = "[SQLFILE1] run.sql:";
  EXPECT_EQ(outcome.out,
            "run.ini: error: The run log \"nofolder/run.log\" cannot be created: no folder \"nofolder\".\n" + at +
                "1 [Letter]: error: The function line cannot be decoded: Type mismatch (field 1 is \"x\")\n" + at +
                "3 [Four]: error: Function 4 does not exist (0 to 3).\n" + at +
                "5 [Sheet]: error: Subscript out of range (no sheet \"Stores\"; sheets: Data, Summary)\n" + at +
                "7 [Position]: error: Subscript out of range (no sheet at position 5; sheets: Data, Summary)\n" + at +
                "9 [Row]: error: Begin row 0 is outside the sheet.\n" + at +
                "11 [Col]: error: Begin col 20000 is outside the sheet (1 to 16384).\n" + at +
                "13 [Name]: error: The template has no defined name \"Nowhere\".\n" + at +
                "15 [Column]: error: [SQLite]no such column: b (1) (SQLSTATE HY000)\n" + at +
                "19 [Use]: warning: It depends on \"made\", made by an earlier statement: [SQLite]no such table: "
                "made (1) (SQLSTATE HY000)\n" + at +
                "22 [Wide]: error: Its 2 columns do not fit in the sheet from the begin col.\n"
                "[SQLFILE1] run.sql: error: Failed to read: The function line \"@Broken\" has no \"=\" (line 24)\n"
                "[SQLFILE2] gone.sql: error: \"gone.sql\" does not exist.\n"
                "12 errors, 1 warning; 11 statements checked in \"run.ini\".\n");
  dir.Write("run.ini", "[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\nReportFileName=r.xlsx\n"
                       "[ODBC]\nDSN=TallyvaneOps\n[SQLFILE]\nF_MAXNUMBER=1\nF1=run.sql\n");
  EXPECT_EQ(Run("--check -F run.ini").out,
            "run.ini: warning: The SQL file list is empty (F_MAXNUM missing, 0 or naming no file).\n"
            "0 errors, 1 warning; 0 statements checked in \"run.ini\".\n");
}

}  // namespace
}  // namespace tallyvane
