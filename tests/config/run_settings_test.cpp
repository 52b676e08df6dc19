#include "config/run_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using test::LogMessages;
using test::TempDir;
using test::TestContext;

const std::vector<std::string> kOpeningLines = {
    "Tallyvane 1.4.0",
    "Copyright (C) 2026 The Tallyvane developers. All rights reserved.",
    "Open log file successfully.",
};

TEST(LoadRunSettings, ReadsTrimsAndExpandsTheSettings) {
  TempDir dir;
  TestContext t;
  const std::string template_path = dir.Write("template.xlsx", "x");
  t.context.settings.CfgFileName = dir.Write(
      "run.ini",
      "[FILE]\nLogFileName=  " + dir.File("run_&Y&M&D.log") +
          "  \n"
          "ReportTemplateFileName=" +
          template_path + "\nReportFileName=" + dir.File("report_&H&N.xlsx") +
          "\n"
          "[ODBC]\nDSN= Sales \nDBUSER=\"  sa \"\nDBPWD=  se;cret  \n");  // quotes keep blanks that the run trims
  ASSERT_TRUE(LoadRunSettings(LogOf(t.context), t.context.settings));
  EXPECT_EQ(t.context.settings.LogFileName, dir.File("run_20040307.log"));
  EXPECT_EQ(t.context.settings.ReportFileName, dir.File("report_1405.xlsx"));
  EXPECT_EQ(t.context.settings.TemplateFileName, template_path);
  EXPECT_EQ(t.context.settings.DataSourceName, "Sales");
  EXPECT_EQ(t.context.settings.DbUserName, "sa");
  EXPECT_EQ(t.context.settings.DbPassword, "se;cret");
  EXPECT_EQ(LogMessages(t.context.settings.LogFileName), kOpeningLines);
  EXPECT_EQ(t.context.counters.ErrorCount, 0);
}

TEST(LoadRunSettings, ChecksInOrderAndReportsOnlyTheFirstFailure) {
  TempDir dir;
  const std::string template_path = dir.Write("template.xlsx", "x");
  const std::string log = dir.File("run.log");
  struct Case {
    std::string file_section;
    std::string odbc_section;
    std::string info;
  } cases[] = {
      {"ReportTemplateFileName=" + dir.File("&Y.xlsx") + "\n", "",
       "The template file \"" + dir.File("&Y.xlsx") + "\" does not exist."},
      {"ReportTemplateFileName=" + template_path + "\n", "", "The name of report file is invalid."},
      {"ReportTemplateFileName=" + template_path + "\nReportFileName=r.xlsx\n", "DBUSER=sa\n",
       "Data source name does not be set."},
  };
  for (const Case& c : cases) {
    dir.Write("run.log", "[20041007 09:05:00]    old line that must go\r\n");  // an earlier log is overwritten
    TestContext fresh;
    fresh.context.settings.CfgFileName =
        dir.Write("run.ini", "[FILE]\nLogFileName=" + log + "\n" + c.file_section + "[ODBC]\n" + c.odbc_section);
    EXPECT_FALSE(LoadRunSettings(LogOf(fresh.context), fresh.context.settings));
    std::vector<std::string> expected = kOpeningLines;
    expected.push_back("Error: The information in the configuration file is incorrect.");
    expected.push_back("Error Info: " + c.info);
    EXPECT_EQ(LogMessages(log), expected) << c.info;
    EXPECT_EQ(fresh.context.counters.ErrorCount, 1);
  }
}

TEST(LoadRunSettings, ShowsTheErrorBoxWhenTheLogCannotBeCreated) {
  TempDir dir;
  for (const std::string& log_name : {std::string(), dir.File("no/such/folder/run.log")}) {
    TestContext fresh;
    fresh.context.settings.CfgFileName = dir.Write("run.ini", "[FILE]\nLogFileName=" + log_name + "\n");
    EXPECT_FALSE(LoadRunSettings(LogOf(fresh.context), fresh.context.settings));
    ASSERT_EQ(fresh.errors.prompts.size(), 1u);
    EXPECT_EQ(fresh.errors.prompts[0].rfind("Error!\r\nError Info: ", 0), 0u);
    EXPECT_FALSE(fresh.context.session.LogStream);
    EXPECT_EQ(fresh.context.counters.ErrorCount, 0);
  }
}

// The log and the report would destroy a file the run reads before the run
// could notice; the log would also destroy the report. Refused before
// anything is created, by any path to the file, and named by --check too.
TEST(LoadRunSettings, RefusesALogOrReportOverAFileTheRunReads) {
  TempDir dir;
  const std::string template_path = dir.Write("template.xlsx", "the template");
  const std::string sql = dir.Write("a.sql", "the statements");
  const std::string report = dir.File("report.xlsx");
  std::filesystem::create_symlink(template_path, dir.File("link.xlsx"));
  const std::string ini = dir.File("run.ini");
  const struct {
    std::string log, report, message;
  } cases[] = {
      {ini, report,
       "The log file \"" + ini + "\" is the configuration file \"" + ini + "\"; choose another LogFileName."},
      {dir.File("./a.sql"), report, "The log file \"" + dir.File("./a.sql") + "\" is the SQL file \"" + sql + "\""},
      {report, report, "The log file \"" + report + "\" is the report file"},
      {dir.File("run.log"), dir.File("link.xlsx"),
       "The report file \"" + dir.File("link.xlsx") + "\" is the template file \"" + template_path +
           "\"; choose another ReportFileName."},
      {dir.File("run.log"), sql, "The report file \"" + sql + "\" is the SQL file"},
      {dir.File("run.log"), ini, "The report file \"" + ini + "\" is the configuration file"},
  };
  for (const auto& c : cases) {
    TestContext fresh;
    fresh.context.settings.CfgFileName =
        dir.Write("run.ini", "[FILE]\nLogFileName=" + c.log + "\nReportTemplateFileName=" + template_path +
                                 "\nReportFileName=" + c.report + "\n[SQLFILE]\nF_MAXNUM=2\nF2=" + sql + "\n");
    const std::string config = test::ReadFileBytes(ini);
    EXPECT_FALSE(LoadRunSettings(LogOf(fresh.context), fresh.context.settings)) << c.message;
    ASSERT_EQ(fresh.errors.prompts.size(), 1u) << c.message;
    EXPECT_NE(fresh.errors.prompts[0].find(c.message), std::string::npos) << fresh.errors.prompts[0];
    EXPECT_EQ(test::ReadFileBytes(ini) + test::ReadFileBytes(template_path) + test::ReadFileBytes(sql),
              config + "the template" + "the statements");
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.log")) || std::filesystem::exists(report));
    const std::vector<std::string> problems =
        CheckRunSettings(fresh.context.settings, *fresh.context.wiring.FileSystem, nullptr);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find(c.message), std::string::npos) << problems[0];
  }
}

}  // namespace
}  // namespace tallyvane
