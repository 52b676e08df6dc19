#pragma once
// Finds the cell and range references in a stored formula (no leading "="),
// skipping string literals, function names, structured references, error
// literals and external-workbook references, so they can be rewritten in place.
#include <string>
#include <string_view>
#include <vector>

#include "ooxml/cell_reference.h"

namespace tallyvane::ooxml {

struct FormulaReference {
  size_t begin = 0;       // where the area text starts (after any sheet prefix)
  size_t end = 0;         // past the area text
  std::string sheet;      // unquoted sheet name; empty when unqualified
  bool three_d = false;   // Sheet1:Sheet3!A1
  bool external = false;  // [1]Sheet1!A1
  RefArea area;
};

std::vector<FormulaReference> FindFormulaReferences(std::string_view formula);

// Case-insensitive comparison of sheet names (decoded UTF-8 text), as the
// desktop spreadsheet does, also for non-ASCII letters.
bool SameSheetName(std::string_view a, std::string_view b);

// True when the raw bytes of a part may mention the sheet name in any XML
// spelling (cheap pre-check before parsing a part that is not otherwise
// touched; the matching itself happens on decoded text).
bool MayMentionSheet(const std::string& bytes, const std::string& sheet);

}  // namespace tallyvane::ooxml
