#pragma once
// What the evaluator reads a workbook through: the cells of its sheets as
// stored, which sheets the run wrote into or moved, hidden rows and
// defined names. The workbook engine implements it over its parts.
#include <functional>
#include <string>
#include <string_view>

#include "formula/formula_parser.h"
#include "formula/formula_value.h"

namespace tallyvane::formula {

struct SourceCell {
  enum class Kind { Empty, Value, Formula };
  Kind kind = Kind::Empty;
  FormulaValue value;        // Value: the stored constant
  std::string_view formula;  // Formula: its text (shared formulas already translated)
  bool array = false;        // Formula: part of an array formula or data table
  bool certain = true;       // Value: read as every spreadsheet reads it
};

class CellSource {
 public:
  virtual ~CellSource() = default;
  // Zero-based index of the sheet (case-insensitive), or -1.
  virtual int FindSheet(std::string_view name) const = 0;
  virtual SourceCell Cell(int sheet, int row, int column) const = 0;
  // Visits the non-empty cells of the area in rows, left to right; the
  // visitor may take the cell's value.
  virtual void ForEachCell(int sheet, const Area& area,
                           const std::function<void(int row, int column, SourceCell& cell)>& visit) const = 0;
  // The last row and column holding a cell (0 when the sheet is empty).
  virtual int LastRow(int sheet) const = 0;
  virtual int LastColumn(int sheet) const = 0;
  virtual bool RowHidden(int sheet, int row) const = 0;
  // True when the run wrote into the sheet or moved its cells.
  virtual bool SheetChanged(int sheet) const = 0;
  // The formula of a defined name as seen from the sheet (a sheet-level
  // name first); false when there is none. *changed: the run assigned it.
  virtual bool FindName(std::string_view name, int sheet, std::string* formula, bool* changed) const = 0;
};

}  // namespace tallyvane::formula
