// Templates saved by LibreOffice (cached results, its own spellings, pivot
// and extension parts): the report shows the right totals in LibreOffice
// with its default settings, and every structure an insertion touches ends
// as LibreOffice's own engine leaves it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "ooxml/ooxml_application.h"
#include "platform/platform_error.h"
#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

using testing::ReadPart;
using testing::RunCommand;

const std::string kPeer = LIBREOFFICE_PEER;

// The LibreOffice-saved templates are made only where LibreOffice is installed.
bool NoLibreOffice() { return !std::filesystem::exists(testing::TemplatePath("lo_totals.xlsx")); }

TEST(LibreOfficeTemplates, TotalsAreRightInLibreOfficeWithItsDefaultSettings) {
  if (NoLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
  testing::OpenedTemplate t("lo_totals.xlsx");
  // What function 2 does with five records from row 2: three rows inserted
  // at row 3, then the records written; and a text name holding characters
  // that the workbook part cannot carry as they are (LibreOffice must show
  // the very text assigned).
  auto ws = t.workbook->WorksheetByName("bob's");
  ws->InsertRows(3, 3);
  for (int i = 0; i < 5; ++i) {
    ws->SetCellValue(2 + i, 1, Value::MakeText("r" + std::to_string(i + 1)));
    ws->SetCellValue(2 + i, 2, Value::MakeInteger(i + 1));
    ws->SetCellValue(2 + i, 3, Value::MakeInteger(1));
  }
  t.workbook->SetNameValue("Note", "a\x01" "b\r" "c\xEF\xBF\xBE\"q\"");
  t.workbook->Save();
  t.workbook->Close();
  int status = 0;
  // Every sheet to its own CSV file, in a fresh profile.
  const std::string folder = t.folder.path();
  std::string out = RunCommand("cd '" + folder + "' && timeout 300 soffice -env:UserInstallation=file://" + folder +
                                   "/profile --headless --convert-to "
                                   "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
                                   "--outdir csv lo_totals.xlsx 2>&1",
                               &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(test::ReadFileBytes(t.folder.File("csv/lo_totals-Bob's.csv")),
            "Label,Amount,Count\nr1,1,1\nr2,2,1\nr3,3,1\nr4,4,1\nr5,5,1\nTotal,15,5\n");
  EXPECT_EQ(test::ReadFileBytes(t.folder.File("csv/lo_totals-Summary.csv")),
            "Total,15\nTwice,30\n\"9:1:13:65534:\"\"q\"\"\",\n");
}

TEST(LibreOfficeTemplates, NoFormulaKeepsAResultThatMayBeStaleAndPivotsRefresh) {
  if (NoLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
  for (const char* name : {"lo_totals.xlsx", "lo_structures.xlsx"}) {
    testing::OpenedTemplate t(name);
    EXPECT_NE(ReadPart(t.file, "xl/worksheets/sheet1.xml").find("</f><v>"), std::string::npos) << "no cached results";
    t.workbook->WorksheetByIndex(1)->SetCellValue(2, 2, Value::MakeInteger(40));
    t.workbook->Save();
    // Formula cells, and the other cells of the array formula in F3:F6.
    const std::regex cached("<c r=\"(F[456]\"[^>]*>|[^>]*><f[ >][\\s\\S]*?</c>)");
    for (int sheet = 1; sheet <= 5; ++sheet) {
      std::string xml = ReadPart(t.file, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
      for (std::sregex_iterator it(xml.begin(), xml.end(), cached), end; it != end; ++it) {
        std::string cell = (*it)[0].str() + xml.substr(static_cast<size_t>(it->position() + it->length()), 4);
        EXPECT_EQ(cell.find("<v>"), std::string::npos) << name << " " << sheet << ": " << cell;
        EXPECT_GT(cell.find(" t=\""), cell.find('>')) << name << " " << sheet << ": " << cell;
      }
    }
    EXPECT_NE(ReadPart(t.file, "xl/pivotCache/pivotCacheDefinition1.xml").find("refreshOnLoad=\"1\""),
              std::string::npos);
  }
}

// Each case of the peer's table made by the engine, then by LibreOffice,
// and the structures compared (for a refused insertion: the reason, and
// that nothing changed).
TEST(LibreOfficeTemplates, InsertionsLeaveTheStructuresLibreOfficeLeaves) {
  if (NoLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
  testing::ScratchFolder folder;
  int status = 0;
  std::istringstream cases(RunCommand("/usr/bin/python3 " + kPeer + " cases", &status));
  ASSERT_EQ(status, 0);
  std::string name, tpl, sheet, axis;
  int at = 0, count = 0;
  while (std::getline(cases, name, '\t') && std::getline(cases, tpl, '\t') && std::getline(cases, sheet, '\t') &&
         std::getline(cases, axis, '\t') && cases >> at >> count) {
    cases.ignore(1);
    auto app = CreateOoxmlSpreadsheetApp();
    auto wb = app->OpenWorkbook(folder.CopyTemplate(tpl, name + ".xlsx"));
    try {
      auto ws = wb->WorksheetByName(sheet);
      axis == "rows" ? ws->InsertRows(at, count) : ws->InsertColumns(at, count);
    } catch (const PlatformError& e) {
      std::ofstream(folder.File(name + ".refused")) << e.what();
    }
    wb->Save();  // a refused insertion has changed nothing
    wb->Close();
  }
  std::string out = RunCommand("/usr/bin/python3 " + kPeer + " compare " + LIBREOFFICE_TEMPLATES + " " +
                                   folder.path() + " 2>&1",
                               &status);
  EXPECT_EQ(status, 0) << out;
}

}  // namespace
}  // namespace tallyvane
