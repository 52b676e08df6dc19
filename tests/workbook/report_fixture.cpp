#include "report_fixture.h"

#include "db/database_connection.h"
#include "log/run_log.h"
#include "workbook/report_file.h"

namespace tallyvane::test {

ReportFixture::ReportFixture() : platform(CreateRealPlatformFactory()) {
  t.context.wiring.Platform = platform.get();
  t.context.Interactive = false;
  t.context.settings.LogFileName = dir.File("run.log");
  t.context.session.LogStream = t.context.wiring.FileSystem->CreateTextFile(t.context.settings.LogFileName);
  template_path = dir.File("template.xlsx");
  report_path = dir.File("report.xlsx");
  t.context.settings.TemplateFileName = template_path;
  t.context.settings.ReportFileName = report_path;
  t.context.settings.DataSourceName = SqliteDataSource::kName;
}

void ReportFixture::OpenReport(const std::string& template_spec, const std::string& database_script) {
  SqliteDataSource::Instance().Reset(database_script);
  MakeWorkbook(template_path, template_spec);
  ASSERT_TRUE(ConnectDatabase(LogOf(t.context), t.context.settings, *t.context.wiring.Platform, t.context.session))
      << testing::PrintToString(Log());
  t.context.session.ExcelApp = platform->CreateSpreadsheetApp();
  ASSERT_TRUE(OpenReportFile(LogOf(t.context), t.context.settings, *t.context.wiring.FileSystem, t.context.session))
      << testing::PrintToString(Log());
}

WorkbookDump ReportFixture::SaveAndDump() {
  EXPECT_TRUE(CloseReportFile(LogOf(t.context), t.context.session)) << testing::PrintToString(Log());
  return DumpWorkbook(report_path);
}

std::vector<std::string> ReportFixture::Log() { return LogMessages(t.context.settings.LogFileName); }

}  // namespace tallyvane::test
