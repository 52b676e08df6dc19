// A whole SQL file through comment stripping, function lines, parameter
// substitution, field decoding and dispatch, with the database and the
// workbook behind test doubles.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fake_platform.h"
#include "sql/sql_file_list.h"
#include "temp_dir.h"
#include "test_context.h"

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const test::TempDir folder;
  const std::string sql_path = folder.Write("f.sql", std::string(reinterpret_cast<const char*>(data), size));
  test::FakeJournal journal;
  test::FakePlatform platform(journal);
  test::TestContext t;
  t.context.Interactive = false;
  t.context.wiring.Platform = &platform;
  t.context.session.DbConnection = platform.CreateDbConnection();
  t.context.session.DbRecordset = platform.CreateDbRecordset();
  t.context.session.ExcelApp = platform.CreateSpreadsheetApp();
  t.context.session.ReportWorkbook = t.context.session.ExcelApp->OpenWorkbook("report.xlsx");
  t.context.parameters.Parameters[0] = {"[A]", "", "value of a", 1};
  t.context.parameters.Parameters[1] = {"[", "", "]]", 2};
  t.context.parameters.ParameterCount = 2;
  t.context.session.LogStream = t.context.wiring.FileSystem->CreateTextFile(folder.File("run.log"));
  RunSqlFile(t.context, 1, sql_path);
  return 0;
}
