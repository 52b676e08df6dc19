// The desktop-spreadsheet peer: LibreOffice recalculates the saved report
// and its totals are the sums of the values written after inserting rows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ooxml/ooxml_application.h"
#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

// Also: a text name holding characters that the workbook part cannot carry
// as they are evaluates to the very text assigned.
TEST(LibreOfficeConformance, TotalsAfterInsertingRowsAreTheSumsOfTheWrittenValues) {
  int status = 0;
  testing::RunCommand("command -v soffice >/dev/null 2>&1", &status);
  if (status != 0) GTEST_SKIP() << "soffice is not installed";
  testing::ScratchFolder folder;
  std::string file = folder.CopyTemplate("report.xlsx");
  const int records = 7;
  {
    auto app = CreateOoxmlSpreadsheetApp();
    auto wb = app->OpenWorkbook(file);
    auto ws = wb->WorksheetByName("Report");
    ws->InsertRows(3, records - 2);  // as the row-insertion output does
    for (int i = 0; i < records; ++i) {
      ws->SetCellValue(2 + i, 1, Value::MakeText("row " + std::to_string(i + 1)));
      ws->SetCellValue(2 + i, 2, Value::MakeNumber(1.5 * (i + 1)));
      ws->SetCellValue(2 + i, 3, Value::MakeInteger(i + 1));
    }
    wb->SetNameValue("Note", "a\x01" "b\r" "c\xEF\xBF\xBE\"q\"");
    wb->Save();
    wb->Close();
    app->Quit();
  }
  std::string home = folder.Path() + "/home";
  std::filesystem::create_directory(home);
  std::string out = testing::RunCommand("cd '" + folder.Path() + "' && HOME='" + home +
                                            "' timeout 300 soffice --headless --convert-to csv --outdir '" +
                                            folder.Path() + "/csv' '" + file + "' 2>&1",
                                        &status);
  ASSERT_EQ(status, 0) << out;
  std::ifstream csv(folder.Path() + "/csv/report.csv");
  ASSERT_TRUE(csv) << out;
  std::stringstream all;
  all << csv.rdbuf();
  EXPECT_EQ(all.str(),
            "Label,Amount,Count\n"
            "row 1,1.5,1\nrow 2,3,2\nrow 3,4.5,3\nrow 4,6,4\nrow 5,7.5,5\nrow 6,9,6\nrow 7,10.5,7\n"
            "Total,42,28\n,,\n\"9:1:13:65534:\"\"q\"\"\",,\n");
}

}  // namespace
}  // namespace tallyvane
