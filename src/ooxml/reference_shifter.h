#pragma once
// Moves references when whole rows or columns are inserted into one sheet,
// following the desktop spreadsheet's rule for each range end, and
// translates shared formulas from their master cell to another cell.
#include <string>
#include <string_view>

#include "ooxml/cell_reference.h"

namespace tallyvane::ooxml {

// What an insertion adds: whole rows, or whole columns.
enum class InsertKind { Rows, Columns };

struct Insertion {
  std::string sheet;  // the sheet that receives the rows or columns
  bool rows = true;   // false: columns
  int at = 1;         // first inserted row (column)
  int count = 0;
};

// Formatting ranges (conditional formats, validations) also grow when the
// insertion lands directly below (right of) their last row (column): the
// new rows inherit the format of the row above.
enum class Growth { Reference, Format };

// Shifts one area. Returns false when the area is pushed off the sheet.
bool ShiftArea(RefArea* area, const Insertion& ins, Growth growth);
// True when a row (column) inserted at ins.at falls between the first and
// the last row (column) of the area: what cannot be split (array formulas,
// pivot tables) refuses such an insertion.
bool SplitsArea(const RefArea& area, const Insertion& ins);
// Shifts a single row (column) number; false when pushed off the sheet.
bool ShiftIndex(int* index, const Insertion& ins);

// Shifts the references in a stored formula. host_sheet is the sheet the
// formula lives in (its unqualified references point there); empty when
// unqualified references never refer to the inserted-into sheet. A
// reference pushed off the sheet becomes #REF!. Sets *changed when the text
// differs.
std::string ShiftFormula(std::string_view formula, const Insertion& ins, std::string_view host_sheet,
                         bool* changed = nullptr);

// Shifts a space-separated list of areas of the inserted-into sheet
// ("A1:B2 D4"). Areas pushed off are dropped; the result may be empty.
std::string ShiftSqref(std::string_view sqref, const Insertion& ins, Growth growth);

// Rewrites a shared formula's text for a cell row_offset rows and
// column_offset columns away from its master: relative parts move.
std::string TranslateFormula(std::string_view formula, int row_offset, int column_offset);

}  // namespace tallyvane::ooxml
