#pragma once
// A run context connected to the test's SQLite data source, with a report
// workbook open on a copy of a template: what the output functions need.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform_factory.h"
#include "sqlite_data_source.h"
#include "temp_dir.h"
#include "test_context.h"
#include "workbook_reader.h"

namespace tallyvane::test {

class ReportFixture : public ::testing::Test {
 protected:
  ReportFixture();

  // Makes the template from a JSON spec, connects, and opens the report.
  void OpenReport(const std::string& template_spec, const std::string& database_script);
  // Saves and closes the report and reads it back with openpyxl.
  WorkbookDump SaveAndDump();
  // The run log so far, without time stamps.
  std::vector<std::string> Log();

  TempDir dir;
  std::unique_ptr<PlatformFactory> platform;  // outlives the workbook and connection the context holds
  TestContext t;
  std::string template_path;
  std::string report_path;
};

}  // namespace tallyvane::test
