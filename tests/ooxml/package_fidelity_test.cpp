// Saving keeps every untouched part byte for byte, writes the changed ones
// exactly as expected, atomically, and leaves a package that the engine and
// an independent reader both open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadPart;

// ZIP64 headers on small parts make some readers refuse the package.
TEST(Save, KeepsUnchangedPartsByteIdenticalAndWritesPlainZipHeaders) {
  testing::OpenedTemplate t("basic.xlsx");
  const std::string original = testing::TemplatePath("basic.xlsx");
  auto ws = t.workbook->WorksheetByName("Summary");
  for (int r = 2; r <= 2000; ++r) ws->SetCellValue(r, 1, Value::MakeText("x" + std::to_string(r / 3.0)));
  std::string out = t.SaveAndRead(R"py(
import struct
z = zipfile.ZipFile(sys.argv[1])
f = open(sys.argv[1], "rb")
for i in z.infolist():
    f.seek(i.header_offset)
    version, extra = struct.unpack("<4xH22xH", f.read(30))
    if version > 20 or extra or i.extra:
        print(i.filename, version, extra, len(i.extra))
print(z.testzip())
)py");
  EXPECT_EQ(out, "None\n");
  // The other worksheets hold formulas that now get their results.
  for (const char* part :
       {"xl/theme/theme1.xml", "xl/styles.xml", "docProps/core.xml", "docProps/app.xml", "xl/comments/comment1.xml",
        "xl/drawings/commentsDrawing1.vml", "xl/worksheets/_rels/sheet1.xml.rels"}) {
    std::string before = ReadPart(original, part);
    EXPECT_FALSE(before.empty()) << part;
    EXPECT_EQ(before, ReadPart(t.file, part)) << part;
  }
  EXPECT_NE(ReadPart(original, "xl/worksheets/sheet3.xml"), ReadPart(t.file, "xl/worksheets/sheet3.xml"));
  // A new shared string table is registered in the package.
  EXPECT_NE(ReadPart(t.file, "[Content_Types].xml").find("/xl/sharedStrings.xml"), std::string::npos);
  EXPECT_NE(ReadPart(t.file, "xl/_rels/workbook.xml.rels").find("sharedStrings.xml"), std::string::npos);
}

void ExpectPartsAsGolden(const std::string& file, const std::string& run, const std::vector<std::string>& parts) {
  const bool update = std::getenv("TALLYVANE_UPDATE_GOLDEN") != nullptr;
  for (const std::string& part : parts) {
    const fs::path expected_file = fs::path(SPREADSHEET_GOLDEN) / run / part;
    const std::string actual = ReadPart(file, part);
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

// A small hand-made template (packed by make_templates.py), a fixed run, and
// the saved package's changed parts compared byte for byte with checked-in
// expected parts. After a deliberate change of output,
// TALLYVANE_UPDATE_GOLDEN=1 rewrites the expected parts; review their diff
// before committing it.
TEST(Save, ChangedPartsMatchTheGoldenParts) {
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

TEST(Save, WritesAtomicallyKeepsPermissionsAndCanRepeat) {
  testing::OpenedTemplate t("basic.xlsx", "report.xlsm");
  chmod(t.file.c_str(), 0640);
  auto ws = t.workbook->WorksheetByIndex(1);
  ws->SetCellValue(10, 1, Value::MakeInteger(1));
  t.workbook->Save();
  ws->SetCellValue(11, 1, Value::MakeInteger(2));
  EXPECT_EQ(t.SaveAndRead("print(wb[\"Data\"][\"A10\"].value, wb[\"Data\"][\"A11\"].value)\n"), "1 2\n");
  t.workbook->Close();
  struct stat st;
  ASSERT_EQ(stat(t.file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(t.folder.path()), {}), 1) << "a temporary file was left behind";
  // The engine reads its own output.
  EXPECT_EQ(t.app->OpenWorkbook(t.file)->WorksheetByIndex(1)->Name(), "Data");
}

TEST(Save, FailsCleanlyWhenTheFolderIsGone) {
  testing::OpenedTemplate t("basic.xlsx");
  fs::remove_all(t.folder.path());
  const std::string error = testing::ErrorOf([&] { t.workbook->Save(); });
  EXPECT_EQ(error.rfind("cannot save \"" + t.file + "\": cannot create a temporary file", 0), 0u) << error;
}

}  // namespace
}  // namespace tallyvane
