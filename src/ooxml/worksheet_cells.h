#pragma once
// The compact model of a worksheet's sheetData: rows of cells, each cell a
// value, a style and, for the few that need it, a formula or extra
// attributes kept as read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tallyvane::ooxml {

struct XmlAttr {
  std::string name;
  std::string value;
};

enum class CellType : std::uint8_t { Number, SharedString, Boolean, Error, String, InlineString, IsoDate };

struct CellFormula {
  std::string text;
  std::string type;  // "", "shared", "array", "dataTable"
  std::string ref;
  int shared_index = -1;
  std::vector<XmlAttr> attrs;  // any other attributes, kept as read
};

// What only some cells have: a formula, an inline string, a value that is
// not a number (error, formula text result, ISO date), rare attributes.
struct CellExtra {
  bool has_formula = false;
  bool has_value_text = false;
  CellFormula formula;
  std::string value_text;  // the <v> text when it is not kept as a number
  std::string inline_xml;  // the <is> element as stored
  std::vector<XmlAttr> attrs;
};

// 32 bytes: a filled report holds a great many of these.
struct Cell {
  int column = 0;
  int style = 0;
  CellType type = CellType::Number;
  bool has_value = false;
  double number = 0;  // the value of numbers, Booleans and shared-string indexes
  std::unique_ptr<CellExtra> extra;

  void SetNumber(CellType t, double v) {
    type = t;
    has_value = true;
    number = v;
    if (extra) extra->has_value_text = false;
  }

  bool HasFormula() const { return extra && extra->has_formula; }
  bool HasContent() const { return has_value || (extra && (extra->has_formula || !extra->inline_xml.empty())); }
};

struct Row {
  int index = 0;
  std::vector<XmlAttr> attrs;  // row attributes other than r and spans
  std::vector<Cell> cells;     // sorted by column
};

}  // namespace tallyvane::ooxml
