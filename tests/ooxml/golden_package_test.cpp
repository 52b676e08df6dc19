// A small hand-made template (packed by make_templates.py), a fixed run, and
// the saved package's changed parts compared byte for byte with checked-in
// expected parts. After a deliberate change of output,
// TALLYVANE_UPDATE_GOLDEN=1 rewrites the expected parts; review their diff
// before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;

void ExpectPartsAsGolden(const std::string& file, const std::string& run, const std::vector<std::string>& parts) {
  const bool update = std::getenv("TALLYVANE_UPDATE_GOLDEN") != nullptr;
  for (const std::string& part : parts) {
    const fs::path expected_file = fs::path(SPREADSHEET_GOLDEN) / run / part;
    const std::string actual = testing::ReadPart(file, part);
    if (update) {
      fs::create_directories(expected_file.parent_path());
      std::ofstream(expected_file, std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, test::ReadFileBytes(expected_file.string())) << run << ": " << part;
  }
}

struct GoldenRun {
  const char* name;
  std::function<void(Workbook&)> edit;
  std::vector<std::string> changed_parts;
};

TEST(GoldenPackage, ChangedPartsMatchTheExpectedParts) {
  const GoldenRun runs[] = {
      {"fill",
       [](Workbook& wb) {
         auto data = wb.WorksheetByName("Data");
         data->SetCellValue(2, 1, Value::MakeText("North & <South>"));
         data->SetCellValue(2, 2, Value::MakeNumber(1234.5));
         data->SetCellValue(3, 1, Value::MakeDate(2004, 10, 31));
         data->SetCellValue(3, 2, Value::MakeBoolean(true));
         data->SetCellValue(5, 2, Value::MakeNull());
         wb.SetNameValue("Total", "say \"2004\"");
       },
       {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/workbook.xml", "xl/styles.xml"}},
      {"insert",
       [](Workbook& wb) {
         auto data = wb.WorksheetByIndex(1);
         data->InsertRows(3, 3);
         for (int row = 2; row <= 6; ++row) data->SetCellValue(row, 2, Value::MakeInteger(row * 10));
         data->InsertColumns(2, 1);
       },
       {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/workbook.xml"}},
  };
  for (const GoldenRun& run : runs) {
    testing::OpenedTemplate t("golden.xlsx");
    run.edit(*t.workbook);
    t.workbook->Save();
    ExpectPartsAsGolden(t.file, run.name, run.changed_parts);
  }
}

}  // namespace
}  // namespace tallyvane
