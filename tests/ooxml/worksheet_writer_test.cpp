// The sheetData writers, element by element, on exact expected strings.
#include "ooxml/worksheet_writer.h"

#include <gtest/gtest.h>

#include <functional>

#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

// A cell as the worksheet model holds it.
Cell MakeCell(int column, CellType type, bool has_value, double number, int style = 0,
              std::unique_ptr<CellExtra> extra = nullptr) {
  return Cell{column, style, type, has_value, number, std::move(extra)};
}

// What a cell has beyond its number: a formula, a value kept as text, an
// inline string.
std::unique_ptr<CellExtra> Extra(const std::string& formula, const std::string& value_text = "",
                                 const std::string& inline_xml = "") {
  return std::make_unique<CellExtra>(CellExtra{
      !formula.empty(), !value_text.empty(), CellFormula{formula, "", "", -1, {}}, value_text, inline_xml, {}});
}

struct WriterCase {
  const char* what;
  std::function<void(std::string&)> write;
  const char* expected;
};

TEST(WorksheetWriter, WritesEachElementExactly) {
  const WriterCase cases[] = {
      {"attributes are escaped",
       [](std::string& out) {
         WriteAttributes(out, {{"ht", "15"}, {"x14ac:note", "a\"<&>"}});
       },
       R"( ht="15" x14ac:note="a&quot;&lt;&amp;&gt;")"},
      {"a plain formula, text escaped",
       [](std::string& out) {
         WriteFormula(out, {"IF(A1<2,\"a&b\",B1)", "", "", -1, {}}, "");
       },
       "<f>IF(A1&lt;2,\"a&amp;b\",B1)</f>"},
      {"a shared formula's member has no text",
       [](std::string& out) {
         WriteFormula(out, {"", "shared", "", 3, {}}, "x:");
       },
       R"(<x:f t="shared" si="3"/>)"},
      {"an array formula keeps its range and other attributes",
       [](std::string& out) {
         WriteFormula(out, {"A1:A2*2", "array", "C1:C2", -1, {{"aca", "1"}}}, "");
       },
       R"(<f t="array" ref="C1:C2" aca="1">A1:A2*2</f>)"},
      {"a number keeps every digit",
       [](std::string& out) { WriteValue(out, MakeCell(1, CellType::Number, true, 0.1 + 0.2), ""); },
       "<v>0.30000000000000004</v>"},
      {"a shared string index is an integer",
       [](std::string& out) { WriteValue(out, MakeCell(1, CellType::SharedString, true, 42), "x:"); }, "<x:v>42</x:v>"},
      {"a value kept as text is escaped",
       [](std::string& out) { WriteValue(out, MakeCell(1, CellType::String, true, 0, 0, Extra("A1", "<b>")), ""); },
       "<v>&lt;b&gt;</v>"},
      {"a styled number cell",
       [](std::string& out) { WriteCell(out, MakeCell(28, CellType::Number, true, 2.5, 4), 7, ""); },
       R"(<c r="AB7" s="4"><v>2.5</v></c>)"},
      {"an empty cell keeps its style and loses its type",
       [](std::string& out) { WriteCell(out, MakeCell(1, CellType::SharedString, false, 0, 3), 1, ""); },
       R"(<c r="A1" s="3"/>)"},
      {"a formula cell with its result",
       [](std::string& out) { WriteCell(out, MakeCell(3, CellType::Number, true, 6, 0, Extra("SUM(C1:C2)")), 3, ""); },
       R"(<c r="C3"><f>SUM(C1:C2)</f><v>6</v></c>)"},
      {"an inline string is written as stored",
       [](std::string& out) {
         WriteCell(out, MakeCell(2, CellType::InlineString, false, 0, 0, Extra("", "", "<is><t>hi</t></is>")), 9, "");
       },
       R"(<c r="B9" t="inlineStr"><is><t>hi</t></is></c>)"},
      {"a row with attributes and cells",
       [](std::string& out) {
         Row row{12, {{"ht", "20"}, {"customHeight", "1"}}, {}};
         row.cells.push_back(MakeCell(1, CellType::Number, true, 1));
         row.cells.push_back(MakeCell(2, CellType::Number, true, -3));
         WriteRow(out, row, "x:");
       },
       R"(<x:row r="12" ht="20" customHeight="1"><x:c r="A12"><x:v>1</x:v></x:c><x:c r="B12"><x:v>-3</x:v></x:c></x:row>)"},
      {"a row of attributes only is self-closed",
       [](std::string& out) {
         WriteRow(out, Row{2, {{"hidden", "1"}}, {}}, "");
       },
       R"(<row r="2" hidden="1"/>)"},
      {"an empty row is left out",
       [](std::string& out) {
         WriteRow(out, Row{5, {}, {}}, "");
       },
       ""},
  };
  for (const WriterCase& c : cases) {
    std::string out;
    c.write(out);
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

// What XML 1.0 cannot carry is written as the _xHHHH_ escapes readers
// decode, and a literal escape-like text is protected so that it reads back
// as written.
TEST(EncodeCellText, EscapesWhatXmlCannotCarryAndProtectsEscapeLikeText) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"plain text", "plain text"},
      {std::string("a\x01\x1F\tb\r\n", 7), "a_x0001__x001F_\tb\r\n"},
      {"\xEF\xBF\xBEx\xEF\xBF\xBF", "_xFFFE_x_xFFFF_"},
      {"\xC3\xA9\xEF\xBF\xBD", "\xC3\xA9\xEF\xBF\xBD"},
      {"_x0041_", "_x005F_x0041_"},
      {"_x0041\x02", "_x005F_x0041_x0002_"},
      {"_x0041\xEF\xBF\xBE", "_x005F_x0041_xFFFE_"},
      {"_x0041 _x004 _xZZZZ_", "_x0041 _x004 _xZZZZ_"},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeCellText(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace tallyvane::ooxml
