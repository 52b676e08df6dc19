#pragma once
// A1-style cell and range references: parsing, formatting, sheet bounds.
#include <string>
#include <string_view>

namespace tallyvane::ooxml {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// "A" -> 1, "XFD" -> 16384; 0 when not letters or beyond the last column.
int ColumnNumber(std::string_view letters);
std::string ColumnLetters(int column);
void AppendColumnLetters(std::string& out, int column);
// "B7" (no $) -> row 7, column 2; false when not a plain in-bounds cell.
bool ParseCellName(std::string_view text, int* row, int* column);
std::string CellName(int row, int column);

// One end of a reference: a cell, a whole column or a whole row.
struct RefEnd {
  int row = 0;     // 0 when the end is a whole column
  int column = 0;  // 0 when the end is a whole row
  bool row_absolute = false;
  bool column_absolute = false;
};

// A cell (first == last, single) or a range "A1:B2", "A:C", "3:5".
struct RefArea {
  RefEnd first;
  RefEnd last;
  bool single = true;
};

// Parses a reference starting at pos; on success sets *end past it. Refuses
// text that continues as a name or function (A1B, LOG10(), and bounds.
bool ParseAreaAt(std::string_view text, size_t pos, RefArea* area, size_t* end);
void AppendArea(std::string& out, const RefArea& area);

}  // namespace tallyvane::ooxml
