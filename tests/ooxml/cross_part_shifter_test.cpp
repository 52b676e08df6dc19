// Parts that refer to a sheet are found by the content type the package
// gives them, whatever name their producer saved them under.
#include <gtest/gtest.h>

#include "ooxml/ooxml_application.h"
#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

// Copies argv[1] to argv[2] with the chart and the table moved to unusual
// names and the parts given as (name, content type, text) triples added:
// one named *.xml gets an override, any other a default for its extension.
const char kRepack[] = R"py(
import sys, zipfile
moves = {"xl/charts/chart1.xml": "xl/custom/c.xml", "xl/tables/table1.xml": "xl/custom/t.xml"}
added = [sys.argv[i:i + 3] for i in range(3, len(sys.argv), 3)]
with zipfile.ZipFile(sys.argv[1]) as zin, zipfile.ZipFile(sys.argv[2], "w") as zout:
    for name in zin.namelist():
        text = zin.read(name).decode()
        for old, new in moves.items():
            text = text.replace("/" + old, "/" + new)
        if name == "[Content_Types].xml":
            for part, kind, _ in added:
                entry = ('Override PartName="/%s"' % part if part.endswith(".xml") else
                         'Default Extension="%s"' % part.rsplit(".", 1)[1])
                text = text.replace("</Types>", '<%s ContentType="%s"/></Types>' % (entry, kind) if kind else "</Types>")
        zout.writestr(moves.get(name, name), text)
    for part, _, text in added:
        zout.writestr(part, text)
)py";

const char kMain[] = " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const std::string kTable = std::string("<table") + kMain +
                           " ref=\"A1:A2\"><tableColumns count=\"1\"><tableColumn id=\"1\" name=\"x\">"
                           "<calculatedColumnFormula>Sales!B3*2</calculatedColumnFormula></tableColumn>"
                           "</tableColumns></table>";
const std::string kPivotCache = std::string("<pivotCacheDefinition") + kMain +
                                "><cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:B3\" sheet=\"Sales\"/>"
                                "</cacheSource></pivotCacheDefinition>";
const char kOfficeType[] = "application/vnd.openxmlformats-officedocument.";

TEST(CrossPartShifter, FindsPartsByContentTypeNotByName) {
  struct Case {
    const char* what;
    std::string part;
    std::string content_type;  // "" with no text: moved from the template; "" with text: none of its own
    std::string text;
    std::string after;  // what the part holds after two rows are inserted at row 3 of Sales
  } cases[] = {
      {"a chart under another name", "xl/custom/c.xml", "", "", "<f>'Sales'!$B$2:$B$5</f>"},
      {"the sheet's table under another name", "xl/custom/t.xml", "", "", " ref=\"A1:B5\""},
      {"another sheet's table under another name", "xl/custom/other.xml",
       kOfficeType + std::string("spreadsheetml.table+xml"), kTable, "Sales!B5*2"},
      {"a pivot cache typed by its extension", "xl/custom/p.cache",
       kOfficeType + std::string("spreadsheetml.pivotCacheDefinition+xml"), kPivotCache, " ref=\"A1:B5\""},
      {"a chart's name, plain XML", "xl/charts/chart2.xml", "", "<x><f>Sales!$B$3</f></x>", "Sales!$B$3"},
      {"a table's name, a query table", "xl/tables/table2.xml",
       kOfficeType + std::string("spreadsheetml.queryTable+xml"), kTable, "Sales!B3*2"},
      {"a pivot cache's name, its records", "xl/pivotCache/pivotCacheDefinition2.xml",
       kOfficeType + std::string("spreadsheetml.pivotCacheRecords+xml"), kPivotCache, " ref=\"A1:B3\""},
  };
  testing::ScratchFolder folder;
  const std::string file = folder.File("renamed.xlsx");
  std::string command = "/usr/bin/python3 -c " + test::ShellQuote(kRepack) + " " +
                        test::ShellQuote(testing::TemplatePath("features.xlsx")) + " " + test::ShellQuote(file);
  for (const Case& c : cases) {
    if (c.text.empty()) continue;
    for (const std::string& arg : {c.part, c.content_type, c.text}) command += " " + test::ShellQuote(arg);
  }
  int status = 0;
  ASSERT_EQ(testing::RunCommand(command + " 2>&1", &status), "");
  ASSERT_EQ(status, 0);
  auto app = CreateOoxmlSpreadsheetApp();
  auto workbook = app->OpenWorkbook(file);
  workbook->WorksheetByName("Sales")->InsertRows(3, 2);
  workbook->Save();
  for (const Case& c : cases) {
    EXPECT_NE(testing::ReadPart(file, c.part).find(c.after), std::string::npos) << c.what;
  }
}

}  // namespace
}  // namespace tallyvane
