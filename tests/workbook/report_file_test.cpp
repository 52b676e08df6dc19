#include "workbook/report_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "log/run_log.h"
#include "report_fixture.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

class ReportFileTest : public test::ReportFixture {
 protected:
  void SetUp() override {
    test::MakeWorkbook(template_path, R"j({"sheets": [{"name": "Sheet1", "cells": {"A1": "template"}}]})j");
    t.context.session.ExcelApp = platform->CreateSpreadsheetApp();
  }
};

TEST_F(ReportFileTest, ReplacesAReadOnlyEarlierReportAndMakesTheCopyWritable) {
  dir.Write("report.xlsx", "an earlier report");
  fs::permissions(report_path, fs::perms::owner_read, fs::perm_options::replace);
  fs::permissions(template_path, fs::perms::owner_read | fs::perms::group_read, fs::perm_options::replace);
  ASSERT_TRUE(OpenReportFile(LogOf(t.context), t.context.settings, *t.context.wiring.FileSystem, t.context.session));
  EXPECT_NE((fs::status(report_path).permissions() & fs::perms::owner_write), fs::perms::none);
  ASSERT_TRUE(CloseReportFile(LogOf(t.context), t.context.session));
  EXPECT_EQ(test::DumpWorkbook(report_path).Value("Sheet1!A1"), "template");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Create the blank report file \"" + report_path + "\".",
                       "Open the report file \"" + report_path + "\".",
                       "Save the report file successfully.",
                       "Close the report file.",
                   }));
}

// The copy is made and logged, then the open fails: the description names
// the template, the file to fix, and the copy goes, so that no blank
// template passes for the report.
TEST_F(ReportFileTest, ATemplateThatIsNotAWorkbookIsNamedAndLeavesNoReport) {
  dir.Write("template.xlsx", "plain text, not a workbook");
  EXPECT_FALSE(OpenReportFile(LogOf(t.context), t.context.settings, *t.context.wiring.FileSystem, t.context.session));
  EXPECT_FALSE(fs::exists(report_path));
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Create the blank report file \"" + report_path + "\".",
                       "Error: Failed to open the report file \"" + report_path + "\".",
                       "Error Info: cannot open \"" + template_path + "\": not a zip archive",
                   }));
  EXPECT_EQ(t.context.counters.ErrorCount, 1);
}

// A folder that is not there or cannot be written is refused, each with one
// error; so is closing without an open workbook.
TEST_F(ReportFileTest, RefusesFoldersThatCannotBeWritten) {
  fs::create_directory(dir.File("locked"));
  fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  std::vector<std::string> reports = {dir.File("none/report.xlsx")};
  if (getuid() != 0) reports.push_back(dir.File("locked/report.xlsx"));  // root writes into read-only folders
  for (const std::string& report : reports) {
    t.context.settings.ReportFileName = report;
    EXPECT_FALSE(OpenReportFile(LogOf(t.context), t.context.settings, *t.context.wiring.FileSystem, t.context.session))
        << report;
    EXPECT_EQ(Log().at(2 * static_cast<std::size_t>(t.context.counters.ErrorCount - 1)),
              "Error: Failed to open the report file \"" + report + "\".");
  }
  EXPECT_FALSE(CloseReportFile(LogOf(t.context), t.context.session));
  EXPECT_EQ(Log().at(2 * reports.size()), "Error: Failed to close the report file.");
  EXPECT_EQ(t.context.counters.ErrorCount, static_cast<long>(reports.size()) + 1);
}

}  // namespace
}  // namespace tallyvane
