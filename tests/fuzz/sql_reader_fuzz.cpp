// A whole SQL file through comment stripping, function lines, parameter
// substitution, field decoding and dispatch, with the database and the
// workbook behind test doubles.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "fake_platform.h"
#include "sql/sql_file_reader.h"
#include "test_context.h"

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = "/tmp/tallyvane-sql-fuzz-" + std::to_string(getpid());
  static const bool made = (std::system(("mkdir -p " + folder).c_str()), true);
  (void)made;
  const std::string sql_path = folder + "/f.sql";
  {
    std::ofstream out(sql_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  test::FakeJournal journal;
  test::FakePlatform platform(journal);
  test::TestContext t;
  t.context.Interactive = false;
  t.context.Platform = &platform;
  t.context.DbConnection = platform.CreateDbConnection();
  t.context.DbRecordset = platform.CreateDbRecordset();
  t.context.ExcelApp = platform.CreateSpreadsheetApp();
  t.context.ReportWorkbook = t.context.ExcelApp->OpenWorkbook("report.xlsx");
  t.context.Parameters[0] = {"[A]", "", "value of a", 1};
  t.context.Parameters[1] = {"[", "", "]]", 2};
  t.context.ParameterCount = 2;
  t.context.LogStream = t.context.FileSystem->CreateTextFile(folder + "/run.log");
  RunSqlFile(t.context, 1, sql_path);
  return 0;
}
