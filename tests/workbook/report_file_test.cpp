#include "workbook/report_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "report_fixture.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

class ReportFileTest : public test::ReportFixture {
 protected:
  void SetUp() override {
    test::MakeWorkbook(template_path, R"j({"sheets": [{"name": "Sheet1", "cells": {"A1": "template"}}]})j");
    t.context.ExcelApp = platform->CreateSpreadsheetApp();
  }
};

TEST_F(ReportFileTest, ReplacesAReadOnlyEarlierReportAndMakesTheCopyWritable) {
  dir.Write("report.xlsx", "an earlier report");
  fs::permissions(report_path, fs::perms::owner_read, fs::perm_options::replace);
  fs::permissions(template_path, fs::perms::owner_read | fs::perms::group_read, fs::perm_options::replace);
  ASSERT_TRUE(OpenReportFile(t.context));
  EXPECT_NE((fs::status(report_path).permissions() & fs::perms::owner_write), fs::perms::none);
  ASSERT_TRUE(CloseReportFile(t.context));
  EXPECT_EQ(test::DumpWorkbook(report_path).Value("Sheet1!A1"), "template");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Create the blank report file \"" + report_path + "\".",
                       "Open the report file \"" + report_path + "\".",
                       "Save the report file successfully.",
                       "Close the report file.",
                   }));
}

TEST_F(ReportFileTest, ATemplateThatIsNotAWorkbookIsCopiedThenFailsToOpen) {
  dir.Write("template.xlsx", "plain text, not a workbook");
  EXPECT_FALSE(OpenReportFile(t.context));
  EXPECT_EQ(ReadFileBytes(report_path), "plain text, not a workbook");
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "Create the blank report file \"" + report_path + "\".");
  EXPECT_EQ(log[1], "Error: Failed to open the report file \"" + report_path + "\".");
  EXPECT_NE(log[2].find(report_path), std::string::npos) << log[2];
  EXPECT_EQ(t.context.ErrorCount, 1);
}

TEST_F(ReportFileTest, RefusesToUseTheTemplateAsTheReport) {
  const std::string original = ReadFileBytes(template_path);
  const std::string link = dir.File("link.xlsx");
  fs::create_symlink(template_path, link);
  for (const std::string& report : {template_path, dir.File("./template.xlsx"), link}) {
    t.context.ReportFileName = report;
    EXPECT_FALSE(OpenReportFile(t.context)) << report;
    EXPECT_EQ(ReadFileBytes(template_path), original);
  }
  EXPECT_EQ(t.context.ErrorCount, 3);
  EXPECT_EQ(Log()[0], "Error: Failed to open the report file \"" + template_path + "\".");
}

TEST_F(ReportFileTest, AReportInAFolderThatCannotBeWrittenFailsWithOneMessage) {
  if (getuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string folder = dir.File("locked");
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  t.context.ReportFileName = folder + "/report.xlsx";
  EXPECT_FALSE(OpenReportFile(t.context));
  EXPECT_EQ(Log()[0], "Error: Failed to open the report file \"" + t.context.ReportFileName + "\".");
}

TEST_F(ReportFileTest, CloseWithoutAnOpenWorkbookFails) {
  EXPECT_FALSE(CloseReportFile(t.context));
  EXPECT_EQ(Log()[0], "Error: Failed to close the report file.");
}

}  // namespace
}  // namespace tallyvane
