// Templates saved by LibreOffice (cached results, its own spellings, pivot
// and extension parts): the report shows the right totals in LibreOffice
// with its default settings, and every structure an insertion touches ends
// as LibreOffice's own engine leaves it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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
  t.workbook->SetNameValue("Note",
                           "a\x01"
                           "b\r"
                           "c\xEF\xBF\xBE\"q\"");
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

// Every result the engine saves is the one LibreOffice computes when it
// recalculates everything; LibreOffice shows a saved result as it is.
std::string CompareWithLibreOffice(const std::vector<std::string>& files) {
  std::string command = "/usr/bin/python3 " + std::string(FORMULA_CORPUS) + " compare";
  for (const std::string& f : files) command += " '" + f + "'";
  int status = 0;
  std::string out = RunCommand(command + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

TEST(LibreOfficeTemplates, SavedResultsAreLibreOfficesOwnAndPivotsRefresh) {
  if (NoLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
  std::vector<std::string> files;
  std::vector<std::unique_ptr<testing::OpenedTemplate>> opened;
  for (const char* name : {"lo_totals.xlsx", "lo_structures.xlsx"}) {
    opened.push_back(std::make_unique<testing::OpenedTemplate>(name));
    testing::OpenedTemplate& t = *opened.back();
    EXPECT_NE(ReadPart(t.file, "xl/worksheets/sheet1.xml").find("</f><v>"), std::string::npos) << "no cached results";
    t.workbook->WorksheetByIndex(1)->SetCellValue(2, 2, Value::MakeInteger(40));
    t.workbook->Save();
    files.push_back(t.file);
    // The other cells of the array formula in F3:F6 hold no result.
    const std::regex array_cell("<c r=\"F[456]\"[^>]*?(/>|>((?!<c )[\\s\\S])*?</c>)");
    std::string xml = ReadPart(t.file, "xl/worksheets/sheet1.xml");
    for (std::sregex_iterator it(xml.begin(), xml.end(), array_cell), end; it != end; ++it) {
      EXPECT_EQ((*it)[0].str().find("<v>"), std::string::npos) << name << ": " << (*it)[0].str();
    }
    EXPECT_NE(ReadPart(t.file, "xl/pivotCache/pivotCacheDefinition1.xml").find("refreshOnLoad=\"1\""),
              std::string::npos);
  }
  std::cout << CompareWithLibreOffice(files);
}

// Thousands of random formulas over random report data in both date
// systems: no saved result differs from LibreOffice's.
TEST(LibreOfficeTemplates, RandomFormulasSaveOnlyLibreOfficesResults) {
  if (std::system("command -v soffice >/dev/null") != 0) GTEST_SKIP() << "LibreOffice is not installed";
  testing::ScratchFolder folder;
  int status = 0;
  // Another corpus for a longer search: FORMULA_CORPUS_SEED=n; and the
  // formulas the fuzz target found certain: FORMULA_CORPUS_FUZZ_SEEDS=folder.
  const char* seed = std::getenv("FORMULA_CORPUS_SEED");
  const char* fuzz_seeds = std::getenv("FORMULA_CORPUS_FUZZ_SEEDS");
  std::string out = RunCommand("/usr/bin/python3 " + std::string(FORMULA_CORPUS) + " make '" + folder.path() + "' " +
                                   (seed ? seed : "20") + " 2600 " +
                                   (fuzz_seeds ? "'" + std::string(fuzz_seeds) + "'" : "") + " 2>&1",
                               &status);
  ASSERT_EQ(status, 0) << out;
  std::vector<std::string> files;
  for (const char* name : {"corpus1900.xlsx", "corpus1904.xlsx"}) {
    auto app = CreateOoxmlSpreadsheetApp();
    auto wb = app->OpenWorkbook(folder.File(name));
    wb->WorksheetByName("Run")->SetCellValue(1, 1, Value::MakeInteger(1));
    wb->Save();
    wb->Close();
    files.push_back(folder.File(name));
  }
  std::cout << CompareWithLibreOffice(files);
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
  std::string out = RunCommand(
      "/usr/bin/python3 " + kPeer + " compare " + LIBREOFFICE_TEMPLATES + " " + folder.path() + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
}

}  // namespace
}  // namespace tallyvane
