#include "report_fixture.h"

#include "db/database_connection.h"
#include "workbook/report_file.h"

namespace tallyvane::test {

ReportFixture::ReportFixture() : platform(CreateRealPlatformFactory()) {
  t.context.Platform = platform.get();
  t.context.Interactive = false;
  t.context.LogFileName = dir.File("run.log");
  t.context.LogStream = t.context.FileSystem->CreateTextFile(t.context.LogFileName);
  template_path = dir.File("template.xlsx");
  report_path = dir.File("report.xlsx");
  t.context.TemplateFileName = template_path;
  t.context.ReportFileName = report_path;
  t.context.DataSourceName = SqliteDataSource::kName;
}

void ReportFixture::OpenReport(const std::string& template_spec, const std::string& database_script) {
  SqliteDataSource::Instance().Reset(database_script);
  MakeWorkbook(template_path, template_spec);
  ASSERT_TRUE(ConnectDatabase(t.context)) << testing::PrintToString(Log());
  t.context.ExcelApp = platform->CreateSpreadsheetApp();
  ASSERT_TRUE(OpenReportFile(t.context)) << testing::PrintToString(Log());
}

WorkbookDump ReportFixture::SaveAndDump() {
  EXPECT_TRUE(CloseReportFile(t.context)) << testing::PrintToString(Log());
  return DumpWorkbook(report_path);
}

std::vector<std::string> ReportFixture::Log() { return LogMessages(t.context.LogFileName); }

}  // namespace tallyvane::test
