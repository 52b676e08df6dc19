// The sheetData writers, element by element, on exact expected strings.
#include "ooxml/worksheet_writer.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallyvane::ooxml {
namespace {

Cell NumberCell(int column, double number, int style = 0) {
  Cell cell;
  cell.column = column;
  cell.SetNumber(CellType::Number, number);
  cell.style = style;
  return cell;
}

Cell FormulaCell(int column, CellFormula formula) {
  Cell cell;
  cell.column = column;
  cell.extra = std::make_unique<CellExtra>();
  cell.extra->has_formula = true;
  cell.extra->formula = std::move(formula);
  return cell;
}

Row MakeRow(int index, std::vector<XmlAttr> attrs) {
  Row row;
  row.index = index;
  row.attrs = std::move(attrs);
  return row;
}

struct WriterCase {
  const char* what;
  std::function<void(std::string&)> write;
  const char* expected;
};

TEST(WorksheetWriter, WritesEachElementExactly) {
  const WriterCase cases[] = {
      {"attributes are escaped",
       [](std::string& out) { WriteAttributes(out, {{"ht", "15"}, {"x14ac:note", "a\"<&>"}}); },
       R"( ht="15" x14ac:note="a&quot;&lt;&amp;&gt;")"},
      {"a plain formula, text escaped",
       [](std::string& out) { WriteFormula(out, {"IF(A1<2,\"a&b\",B1)", "", "", -1, {}}, ""); },
       "<f>IF(A1&lt;2,\"a&amp;b\",B1)</f>"},
      {"a shared formula's member has no text",
       [](std::string& out) { WriteFormula(out, {"", "shared", "", 3, {}}, "x:"); },
       R"(<x:f t="shared" si="3"/>)"},
      {"an array formula keeps its range and other attributes",
       [](std::string& out) { WriteFormula(out, {"A1:A2*2", "array", "C1:C2", -1, {{"aca", "1"}}}, ""); },
       R"(<f t="array" ref="C1:C2" aca="1">A1:A2*2</f>)"},
      {"a number keeps every digit",
       [](std::string& out) { WriteValue(out, NumberCell(1, 0.1 + 0.2), ""); },
       "<v>0.30000000000000004</v>"},
      {"a shared string index is an integer",
       [](std::string& out) {
         Cell cell = NumberCell(1, 0);
         cell.SetNumber(CellType::SharedString, 42);
         WriteValue(out, cell, "x:");
       },
       "<x:v>42</x:v>"},
      {"a value kept as text is escaped",
       [](std::string& out) {
         Cell cell = FormulaCell(1, {"A1", "", "", -1, {}});
         cell.type = CellType::String;
         cell.has_value = true;
         cell.extra->has_value_text = true;
         cell.extra->value_text = "<b>";
         WriteValue(out, cell, "");
       },
       "<v>&lt;b&gt;</v>"},
      {"a styled number cell",
       [](std::string& out) { WriteCell(out, NumberCell(28, 2.5, 4), 7, ""); },
       R"(<c r="AB7" s="4"><v>2.5</v></c>)"},
      {"an empty cell keeps its style and loses its type",
       [](std::string& out) {
         Cell cell;
         cell.column = 1;
         cell.style = 3;
         cell.type = CellType::SharedString;
         WriteCell(out, cell, 1, "");
       },
       R"(<c r="A1" s="3"/>)"},
      {"a formula cell with its result",
       [](std::string& out) {
         Cell cell = FormulaCell(3, {"SUM(C1:C2)", "", "", -1, {}});
         cell.has_value = true;
         cell.number = 6;
         WriteCell(out, cell, 3, "");
       },
       R"(<c r="C3"><f>SUM(C1:C2)</f><v>6</v></c>)"},
      {"an inline string is written as stored",
       [](std::string& out) {
         Cell cell;
         cell.column = 2;
         cell.type = CellType::InlineString;
         cell.extra = std::make_unique<CellExtra>();
         cell.extra->inline_xml = "<is><t>hi</t></is>";
         WriteCell(out, cell, 9, "");
       },
       R"(<c r="B9" t="inlineStr"><is><t>hi</t></is></c>)"},
      {"a row with attributes and cells",
       [](std::string& out) {
         Row row = MakeRow(12, {{"ht", "20"}, {"customHeight", "1"}});
         row.cells.push_back(NumberCell(1, 1));
         row.cells.push_back(NumberCell(2, -3));
         WriteRow(out, row, "x:");
       },
       R"(<x:row r="12" ht="20" customHeight="1"><x:c r="A12"><x:v>1</x:v></x:c><x:c r="B12"><x:v>-3</x:v></x:c></x:row>)"},
      {"a row of attributes only is self-closed",
       [](std::string& out) { WriteRow(out, MakeRow(2, {{"hidden", "1"}}), ""); },
       R"(<row r="2" hidden="1"/>)"},
      {"an empty row is left out", [](std::string& out) { WriteRow(out, MakeRow(5, {}), ""); }, ""},
  };
  for (const WriterCase& c : cases) {
    std::string out;
    c.write(out);
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tallyvane::ooxml
