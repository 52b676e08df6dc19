#include "app/report_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "run_ini.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using test::FakeJournal;
using test::FakePlatform;
using test::LogMessages;

class RunReportTest : public ::testing::Test {
 protected:
  RunReportTest() : platform(journal) {
    t.context.wiring.Platform = &platform;
    t.context.wiring.View = &t.view;
    dir.Write("template.xlsx", "x");
    dir.Write("one.sql", "@Fill=1;Sheet1;2;1\nSELECT 1\n");
  }

  // A run of one.sql; sql_files replaces the [SQLFILE] lines when given.
  void WriteConfig(const std::string& sql_files = "", const std::string& template_file = "template.xlsx") {
    test::RunIni ini;
    ini.log = dir.File("run.log");
    ini.template_file = dir.File(template_file);
    ini.report = dir.File("report.xlsx");
    ini.sql_files = sql_files.empty() ? "F_MAXNUM=1\nF1=" + dir.File("one.sql") : sql_files;
    t.context.settings.CfgFileName = ini.Write(dir);
  }

  std::vector<std::string> Log() { return LogMessages(dir.File("run.log")); }

  bool Called(const std::string& call) {
    return std::find(journal.calls.begin(), journal.calls.end(), call) != journal.calls.end();
  }

  test::TempDir dir;
  test::TestContext t;
  FakeJournal journal;
  FakePlatform platform;
};

// A failed statement and a failed disconnect still end the run; the next
// run starts with its counters at zero, passes every phase in order and
// holds nothing afterwards.
TEST_F(RunReportTest, PassesThroughEveryPhaseInOrderAndASecondRunStartsAtZero) {
  WriteConfig();
  journal.failing.insert("Connection.Close");
  RunResult result = RunReport(t.context);  // "SELECT 1" has no result: it fails
  EXPECT_EQ(result.outcome, RunOutcome::Finished);
  EXPECT_EQ(t.context.counters.ErrorCount, 2);
  EXPECT_EQ(ExitStatusOf(result, t.context.counters.ErrorCount), 1);
  std::vector<std::string> log = Log();
  EXPECT_EQ(log[log.size() - 3], "Error: Failed to disconnect from database.");
  EXPECT_EQ(log.back(), "Close the log file.");
  EXPECT_TRUE(Called("Workbook.Save"));

  journal = FakeJournal();
  journal.results["SELECT 1"] = {{Value::MakeInteger(1)}};
  result = RunReport(t.context);
  EXPECT_EQ(ExitStatusOf(result, t.context.counters.ErrorCount), 0);
  EXPECT_EQ(journal.calls,
            (std::vector<std::string>{"Connection.Open", "CreateSpreadsheetApp", "Workbooks.Open", "Workbook.Activate",
                                      "Open SELECT 1", "Cell.Value", "Recordset.Close", "Workbook.Save",
                                      "Workbook.Close", "Application.Quit", "Connection.Close"}));
  log = Log();
  ASSERT_EQ(log.size(), 13u);
  EXPECT_EQ(log[3], "Connect to database successfully. DSN=Sales");
  EXPECT_EQ(log[9], "[SQLFILE1]  [Fill]    Success.");
  EXPECT_EQ(log[12], "Close the log file.");
  EXPECT_FALSE(t.context.session.ExcelApp);
  EXPECT_FALSE(t.context.session.ReportWorkbook);
  EXPECT_FALSE(t.context.session.DbConnection);
  EXPECT_FALSE(t.context.session.LogStream->IsOpen());
  EXPECT_EQ(t.view.boxes[RunViewBox::SqlFileCount], "1");
  EXPECT_EQ(t.view.boxes[RunViewBox::SqlStatementCount], "1");
  EXPECT_EQ(t.view.boxes[RunViewBox::ErrorCount], "0");
}

// The window shows the run's files once the settings hold; a stopped run
// holds the report no longer.
TEST_F(RunReportTest, StopsAtAFailedSettingsConnectionOrWorkbookPhase) {
  struct Case {
    std::string failing;  // the call that fails; none for a missing template
    std::string error_line, info_line;
    std::vector<std::string> not_called;
  } cases[] = {
      {"",
       "Error: The information in the configuration file is incorrect.",
       "Error Info: The template file \"" + dir.File("none.xlsx") + "\" does not exist.",
       {"Connection.Open"}},
      {"Connection.Open",
       "Error: Failed to connect to database. DSN=Sales",
       "Error Info: Connection.Open failed",
       {"CreateSpreadsheetApp", "Connection.Close"}},
      {"Workbooks.Open",
       "Error: Failed to open the report file \"" + dir.File("report.xlsx") + "\".",
       "Error Info: Workbooks.Open failed",
       {"Workbook.Save", "Application.Quit", "Connection.Close"}},
  };
  for (const Case& c : cases) {
    journal = FakeJournal();
    journal.failing.insert(c.failing);
    t.view.boxes[RunViewBox::SqlFileCount] = "7";
    WriteConfig("", c.failing.empty() ? "none.xlsx" : "template.xlsx");
    const RunResult result = RunReport(t.context);
    EXPECT_EQ(result.outcome, RunOutcome::Stopped) << c.failing;
    EXPECT_EQ(ExitStatusOf(result, t.context.counters.ErrorCount), 2);
    const std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], c.error_line);
    EXPECT_EQ(log.back(), c.info_line);
    for (const std::string& call : c.not_called) EXPECT_FALSE(Called(call)) << call;
    EXPECT_EQ(t.context.counters.ErrorCount, 1);
    EXPECT_EQ(t.view.boxes[RunViewBox::SqlFileCount], c.failing.empty() ? "7" : "0");
    EXPECT_EQ(t.view.boxes[RunViewBox::ErrorCount], "1");
    EXPECT_FALSE(std::filesystem::exists(dir.File(".report.xlsx.lock"))) << c.failing;
  }
}

TEST_F(RunReportTest, AnUntrappedErrorEndsTheRunLoggedAndCounted) {
  for (const bool engine_fails : {true, false}) {
    journal = FakeJournal();
    if (engine_fails) journal.failing.insert("CreateSpreadsheetApp");
    WriteConfig(engine_fails ? "F_MAXNUM=0" : "F_MAXNUM=32768");
    const RunResult result = RunReport(t.context);
    EXPECT_EQ(result.outcome, RunOutcome::Aborted) << engine_fails;
    EXPECT_TRUE(result.logged);
    EXPECT_EQ(ExitStatusOf(result, t.context.counters.ErrorCount), 2);
    EXPECT_FALSE(Called("Workbook.Save"));
    const std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Error: The run stopped on an error that no step handles.");
    EXPECT_EQ(log.back(), "Error Info: " + result.error);
    EXPECT_EQ(t.context.counters.ErrorCount, 1);
    EXPECT_EQ(t.view.boxes[RunViewBox::ErrorCount], "1");
  }
}

}  // namespace
}  // namespace tallyvane
