#pragma once
// A worksheet part: its sheetData as a compact row and cell model (written
// back by a hand-written serializer), the rest of the part as an XML tree,
// and the adjustments that inserting rows or columns makes to both.
#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "ooxml/package.h"
#include "ooxml/reference_shifter.h"

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

class WorksheetPart {
 public:
  WorksheetPart(std::string part, const std::string& bytes, const std::string& file);

  const std::string& PartName() const { return part_; }
  // The cell at (row, column), created empty with the format the desktop
  // spreadsheet gives a new cell there (row format, else column format).
  Cell& TouchCell(int row, int column);
  // The cell at (row, column), or null when the sheet has none there.
  const Cell* FindCell(int row, int column) const;
  // Removes the value and formula of a cell, keeping its format.
  void ClearCell(int row, int column);
  // The cell at (row, column) emptied of value and formula, ready for a value.
  Cell& CellForValue(int row, int column);

  // True when inserting would push a non-empty cell off the sheet.
  bool WouldPushOffContent(const Insertion& ins) const;
  // Applies an insertion into this very sheet.
  void Insert(const Insertion& ins);
  // Adjusts references to another sheet that received an insertion.
  // Returns true when something changed.
  bool ShiftReferencesTo(const Insertion& ins);

  void MarkChanged() { changed_ = true; }
  bool Changed() const { return changed_; }
  std::string Serialize();
  // The part's bytes produced piece by piece while the package is written.
  static std::shared_ptr<PartStream> MakeStream(std::shared_ptr<WorksheetPart> part);

 private:
  class Stream;
  // The part around the sheet data: everything before and after the rows.
  void SplitFrame(std::string* head, std::string* tail);
  void AppendRow(std::string& out, const Row& row) const;
  void LoadSheetData(pugi::xml_node sheet_data);
  void LoadColumns();
  Row* FindRow(int index);
  Row& TouchRow(int index);
  int InheritedStyle(const Row& row, int column) const;
  void ExpandSharedFormulas();
  void ShiftRowsOfSheetData(const Insertion& ins);
  void ShiftColumnsOfSheetData(const Insertion& ins);
  void ShiftColumnDefinitions(const Insertion& ins);
  void ShiftCellFormulas(const Insertion& ins, const std::string& host);
  bool ShiftTreeReferences(const Insertion& ins, bool own_sheet);
  void UpdateDimension();

  struct ColumnStyle {
    int min = 0;
    int max = 0;
    int style = 0;
  };

  std::string part_;
  std::string prefix_;  // namespace prefix of the sheet's elements ("" or "x:")
  pugi::xml_document doc_;
  std::vector<Row> rows_;
  std::vector<ColumnStyle> column_styles_;
  bool changed_ = false;
};

}  // namespace tallyvane::ooxml
