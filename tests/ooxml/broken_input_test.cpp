// Broken and hostile packages fail with a description naming the file and
// the reason; none crashes or hangs.
#include <gtest/gtest.h>

#include "ooxml/ooxml_application.h"
#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

using testing::ErrorOf;

struct BrokenCase {
  const char* fixture;
  const char* reason;  // what follows "cannot open "<file>": "
};

TEST(BrokenInput, EachFailsWithAClearDescription) {
  const BrokenCase cases[] = {
      {"text.xlsx", "not a zip archive"},
      {"old.xls", "an old binary workbook (.xls) is not supported; save it as .xlsx"},
      {"encrypted.xlsx",
       "the workbook is encrypted (it has a password to open it); save the template without a password"},
      {"prestandard.xlsx",
       "the workbook is written in a format this program does not know (namespace "
       "\"http://schemas.microsoft.com/office/excel/2006/2\"); open it in a spreadsheet program and save it as .xlsx"},
      {"duplicate.xlsx", "the part \"xl/styles.xml\" occurs twice"},
      {"truncated.xlsx", "not a valid zip archive (Not a zip archive)"},
      {"missing.xlsx", "the file does not exist"},
      {"noworkbook.xlsx", "the package holds no workbook part"},
      {"docx.xlsx",
       "not a spreadsheet workbook (its main part is of type "
       "\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\")"},
      {"malformed.xlsx",
       "the part \"xl/workbook.xml\" is not well-formed XML (Start-end tags mismatch at offset 1273)"},
      {"manyparts.xlsx", "the archive holds too many parts (10050)"},
      // A part is refused when it declares more than the limit, and as soon
      // as it inflates beyond what its headers declare.
      {"bomb.xlsx", "the part \"xl/worksheets/sheet1.xml\" inflates beyond the size limit (a zip bomb?)"},
      {"understated.xlsx", "the part \"xl/worksheets/sheet1.xml\" inflates beyond its declared size (a zip bomb?)"},
  };
  testing::ScratchFolder folder;
  auto app = CreateOoxmlSpreadsheetApp();
  for (const BrokenCase& c : cases) {
    std::string file =
        std::string(c.fixture) == "missing.xlsx" ? folder.path() + "/missing.xlsx" : folder.CopyTemplate(c.fixture);
    // A sheet is read on its first use.
    const auto open_and_write = [&] { app->OpenWorkbook(file)->WorksheetByIndex(1)->SetCellValue(1, 1, Value()); };
    EXPECT_EQ(testing::ErrorOf(open_and_write), "cannot open \"" + file + "\": " + c.reason);
  }
}

// Harmless departures that other readers accept: local headers that leave
// the checksum to the central directory, and a sheet entry without a part
// (refused only where it is used).
TEST(BrokenInput, WhatOtherReadersOpenOpens) {
  testing::OpenedTemplate streamed("streamed.xlsx");
  streamed.workbook->WorksheetByName("Data")->SetCellValue(2, 2, Value::MakeInteger(9));
  EXPECT_EQ(streamed.SaveAndRead("print(wb['Data']['B2'].value)\n"), "9\n");
  testing::OpenedTemplate broken("unusedbroken.xlsx");
  auto data = broken.workbook->WorksheetByName("Data");
  data->InsertRows(3, 2);
  data->SetCellValue(3, 1, Value::MakeText("new"));
  auto module = broken.workbook->WorksheetByIndex(4);
  EXPECT_EQ(module->Name(), "Module");
  EXPECT_EQ(ErrorOf([&] { module->SetCellValue(1, 1, Value::MakeInteger(1)); }),
            "cannot open \"" + broken.file + "\": the sheet \"Module\" has no part");
  broken.workbook->Save();
  EXPECT_NE(testing::ReadPart(broken.file, "xl/worksheets/sheet1.xml").find("<f>SUM(B2:B5)</f>"), std::string::npos);
}

TEST(BrokenInput, DeepNestingNeitherCrashesNorHangsAndEntitiesAreNeverExpanded) {
  testing::OpenedTemplate deep("deep.xlsx");
  deep.workbook->WorksheetByName("Summary")->SetCellValue(2, 1, Value::MakeInteger(1));
  deep.workbook->WorksheetByName("Other Sheet")->InsertRows(1, 1);  // walks the nested sheet too
  deep.workbook->Save();
  EXPECT_NE(testing::ReadPart(deep.file, "xl/worksheets/sheet3.xml").find("<a><a><a>"), std::string::npos);
  testing::OpenedTemplate entities("entities.xlsx");
  entities.workbook->SetNameValue("Amounts", "x");
  entities.workbook->Save();
  EXPECT_EQ(testing::ReadPart(entities.file, "xl/workbook.xml").find("lollol"), std::string::npos);
}

}  // namespace
}  // namespace tallyvane
