// Inserting rows and columns: everything that refers to the moved cells
// follows, in every sheet and part, read back with an independent reader.
#include <gtest/gtest.h>

#include <functional>

#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

using testing::ErrorOf;

const char kDescribeBasic[] = R"py(
ws = wb["Data"]
def formulas(sheet):
    return [(c.coordinate, c.value) for row in sheet.iter_rows() for c in row
            if isinstance(c.value, str) and c.value.startswith("=")]
print(formulas(ws))
print(formulas(wb["Other Sheet"]), formulas(wb["Summary"]))
print([str(r) for r in ws.merged_cells.ranges], [str(r.sqref) for r in ws.conditional_formatting],
      [(str(d.sqref), d.formula2) for d in ws.data_validations.dataValidation])
print(ws.auto_filter.ref, [c.coordinate for row in ws.iter_rows() for c in row if c.hyperlink], ws.freeze_panes, ws.dimensions)
print([(c.coordinate, c.comment.text) for row in ws.iter_rows() for c in row if c.comment])
print(re.findall(r'<definedName name="([^"]*)"[^>]*>([^<]*)<', part("xl/workbook.xml")))
print([(r, ws.row_dimensions[r].height) for r in range(1, 9)], ws.column_dimensions["B"].width,
      ws.column_dimensions["D"].width)
# The legacy note shape moves with its cell (zero-based row and column).
print(re.findall(r":(?:Row|Column)>(\d+)<", part("xl/drawings/commentsDrawing1.vml")))
)py";

struct InsertionCase {
  const char* what;
  const char* file;
  std::function<void(Workbook&)> edit;
  std::string script;
  std::string expected;
};

TEST(Insert, EverythingThatRefersToTheMovedCellsFollows) {
  const InsertionCase cases[] = {
      {"rows move and grow everything that refers to the sheet", "basic.xlsx",
       [](Workbook& wb) { wb.WorksheetByName("Data")->InsertRows(3, 3); },
       std::string(kDescribeBasic) + "print([(c, ws[c].fill.fgColor.rgb) for c in (\"B3\", \"B5\", \"B6\")])\n",
       "[('F2', '=SUM(A1:XFA1)'), ('B7', '=SUM(B2:B6)'), ('C7', '=$B$2+B6+SUM($B:$B)-SUM(2:2)')]\n"
       "[('A1', \"=Data!B2+'Data'!B6\"), ('A2', '=SUM(Data!B2:B6)+A1'), ('A3', '=SUM(Data!$A:$A)+B1'), "
       "('A4', '=SUM(Data!B7:B12)')] [('A1', \"=SUM('Other Sheet'!A1:A2)\")]\n"
       "['A9:C9'] ['B2:B6'] [('B2:B6', '$B$6')]\n"
       "A1:B6 ['G2'] A2 A1:H9\n"
       "[('H6', 'a note')]\n"
       "[('Total', '\"template\"'), ('Amounts', 'Data!$B$2:$B$6'), ('LocalName', 'Data!$A$1'), "
       "('_xlnm._FilterDatabase', \"'Data'!$A$1:$B$6\"), ('_xlnm.Print_Titles', \"'Data'!1:1\"), "
       "('_xlnm.Print_Area', \"'Data'!$A$1:$D$7\")]\n"
       "[(1, None), (2, 30.0), (3, 30.0), (4, 30.0), (5, 30.0), (6, None), (7, None), (8, None)] 20.0 13.0\n"
       "['5', '7']\n"
       "[('B3', '00FFFF00'), ('B5', '00FFFF00'), ('B6', '00FFFF00')]\n"},
      {"columns move formulas, names, merges and widths", "basic.xlsx",
       [](Workbook& wb) { wb.WorksheetByName("Data")->InsertColumns(2, 2); }, kDescribeBasic,
       "[('H2', '=SUM(A1:XFC1)'), ('D4', '=SUM(D2:D3)'), ('E4', '=$D$2+D3+SUM($D:$D)-SUM(2:2)')]\n"
       "[('A1', \"=Data!D2+'Data'!D3\"), ('A2', '=SUM(Data!D2:D3)+A1'), ('A3', '=SUM(Data!$A:$A)+B1'), "
       "('A4', '=SUM(Data!D4:D9)')] [('A1', \"=SUM('Other Sheet'!A1:A2)\")]\n"
       "['A6:E6'] ['D2:D3'] [('D2:D3', '$D$3')]\n"
       "A1:D3 ['I2'] A2 A1:J6\n"
       "[('J3', 'a note')]\n"
       "[('Total', '\"template\"'), ('Amounts', 'Data!$D$2:$D$3'), ('LocalName', 'Data!$A$1'), "
       "('_xlnm._FilterDatabase', \"'Data'!$A$1:$D$3\"), ('_xlnm.Print_Titles', \"'Data'!1:1\"), "
       "('_xlnm.Print_Area', \"'Data'!$A$1:$F$4\")]\n"
       "[(1, None), (2, 30.0), (3, None), (4, None), (5, None), (6, None), (7, None), (8, None)] 13.0 20.0\n"
       "['2', '9']\n"},
      // A validation or format that ends directly above the insertion grows,
      // as a list does when a row is added at its end; a merged range pushed
      // off the bottom of the sheet goes.
      {"ranges ending directly above grow, ranges pushed off go", "bottom.xlsx",
       [](Workbook& wb) { wb.WorksheetByName("Data")->InsertRows(4, 2); },
       "ws = wb[\"Data\"]\n"
       "print([str(d.sqref) for d in ws.data_validations.dataValidation], [str(r.sqref) for r in "
       "ws.conditional_formatting], sorted(str(r) for r in ws.merged_cells.ranges))\n",
       "['B2:B5'] ['B2:B5'] ['A8:C8']\n"},
      {"cells are never pushed off the sheet", "basic.xlsx",
       [](Workbook& wb) {
         auto ws = wb.WorksheetByName("Data");
         ws->SetCellValue(1048575, 1, Value::MakeText("bottom"));
         ws->SetCellValue(1, 16384, Value::MakeText("right"));
         const std::string pushed_off = " of the worksheet \"Data\": non-empty cells would be pushed off the sheet";
         EXPECT_EQ(ErrorOf([&] { ws->InsertRows(5, 2); }), "cannot insert 2 rows at row 5" + pushed_off);
         EXPECT_EQ(ErrorOf([&] { ws->InsertColumns(3, 1); }), "cannot insert 1 columns at column 3" + pushed_off);
         ws->InsertRows(5, 1);  // the last row is still free
       },
       "ws = wb[\"Data\"]\nprint(ws[\"A1048576\"].value, ws[\"XFD1\"].value, ws[\"B4\"].value)\n",
       "bottom right =SUM(B2:B3)\n"},
      {"tables, charts and drawing anchors follow", "features.xlsx",
       [](Workbook& wb) {
         auto ws = wb.WorksheetByName("Sales");
         ws->InsertRows(3, 3);
         ws->InsertRows(1, 1);     // moves the chart's anchor down one row
         ws->InsertColumns(2, 1);  // inside the table: a new table column
       },
       R"py(
print(re.findall(r'<f>([^<]*)</f>', part("xl/charts/chart1.xml")))
print(re.findall(r' ref="([^"]*)"', part("xl/tables/table1.xml")))
print(re.findall(r'<from><col>(\d+)</col><colOff>\d+</colOff><row>(\d+)', part("xl/drawings/drawing1.xml")))
ws = wb["Sales"]
t = ws.tables["SalesTable"]
print(ws["C8"].value, t.ref, [c.name for c in t.tableColumns], [ws.cell(row=2, column=c).value for c in (1, 2, 3)])
)py",
       "[\"'Sales'!C2\", \"'Sales'!$A$3:$A$7\", \"'Sales'!$C$3:$C$7\"]\n"
       "['A2:C7', 'A2:C7']\n"
       "[('4', '2')]\n"
       "=SUM(C3:C7) A2:C7 ['Item', 'Column1', 'Qty'] ['Item', 'Column1', 'Qty']\n"},
      {"shared formulas become plain and the calculation chain goes", "shared.xlsx",
       [](Workbook& wb) { wb.WorksheetByName("Calc")->InsertRows(3, 2); },
       R"py(
print("xl/calcChain.xml" in zipfile.ZipFile(sys.argv[1]).namelist(), "calcChain" in part("[Content_Types].xml"),
      "calcChain" in part("xl/_rels/workbook.xml.rels"), 'fullCalcOnLoad="1"' in part("xl/workbook.xml"))
print([wb["Calc"].cell(row=r, column=2).value for r in range(1, 8)])
)py",
       "False False False True\n['=A1*2', '=A2*2', None, None, '=A5*2', '=A6*2', '=A7*2']\n"},
      {"a sheet keeps its namespace prefix", "prefixed.xlsx",
       [](Workbook& wb) {
         auto ws = wb.WorksheetByIndex(1);
         ws->InsertRows(1, 1);
         ws->SetCellValue(1, 1, Value::MakeText("head"));
       },
       R"py(
ws = wb["Prefixed"]
print(ws["A1"].value, ws["A2"].value, ws["B3"].value, [str(r) for r in ws.merged_cells.ranges], ws.dimensions)
xml = part("xl/worksheets/sheet1.xml")
print('<x:dimension ref="A1:B3"/>' in xml, '<x:row r="3"><x:c r="B3"><x:f>A2*2</x:f>' in xml)
)py",
       "head 1 =A2*2 ['A4:B4'] A1:B4\nTrue True\n"},
      {"one call inserts the room of a full run", "basic.xlsx",
       [](Workbook& wb) {
         auto ws = wb.WorksheetByIndex(1);
         ws->InsertRows(3, 32765);
         ws->SetCellValue(32768, 2, Value::MakeInteger(5));
       },
       "ws = wb[\"Data\"]\n"
       "print(*(ws[c].value for c in (\"B32769\", \"A32771\", \"B32768\", \"A32768\")),\n"
       "      wb[\"Other Sheet\"][\"A2\"].value)\n",
       "=SUM(B2:B32768) merged title 5 second =SUM(Data!B2:B32768)+A1\n"},
  };
  for (const InsertionCase& c : cases) {
    testing::OpenedTemplate t(c.file);
    c.edit(*t.workbook);
    EXPECT_EQ(t.SaveAndRead(c.script), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tallyvane
