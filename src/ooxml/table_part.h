#pragma once
// Table parts (xl/tables): their ranges and formulas follow insertions.
#include <string>
#include <vector>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// Returns the new bytes of the table, or "" when nothing changed. own: the
// table belongs to the sheet that received the insertion.
std::string ShiftTableReferences(const std::string& bytes, const Insertion& ins, bool own, const std::string& file,
                                 const std::string& part);

// Columns inserted inside a table become table columns named "Column<n>"
// (the lowest numbers unused in the table), as the desktop spreadsheet names
// them when it inserts them one at a time at the same place. position is
// the zero-based index of the first new column in the table. Returns the
// new bytes and sets *names to the new columns' names, left to right.
std::string AddTableColumns(const std::string& bytes, int position, int count, std::vector<std::string>* names,
                            const std::string& file, const std::string& part);

}  // namespace tallyvane::ooxml
