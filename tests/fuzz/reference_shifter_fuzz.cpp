// The formula reference lexer and shifter on any formula text: inserting
// rows or columns and then taking them out again must give back every
// reference as it was, whenever none came near the edge of the sheet.
// (References are written back in their normal form, so "A01" returns as
// "A1": the text is compared once it has been through a round.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ooxml/formula_reference_lexer.h"
#include "ooxml/reference_shifter.h"

using namespace tallyvane::ooxml;

namespace {

// A reference within count of the last row (column) may be cut at the edge
// or become #REF!, which no reverse shift can undo.
bool NearTheEdge(const std::string& formula, bool rows, int count) {
  for (const FormulaReference& reference : FindFormulaReferences(formula)) {
    for (const RefEnd& end : {reference.area.first, reference.area.last}) {
      const int index = rows ? end.row : end.column;
      if (index > (rows ? kMaxRows : kMaxColumns) - count) return true;
    }
  }
  return false;
}

// The references of a formula, in order: each end's row and column with
// their absolute marks, and the sheet.
std::string References(const std::string& formula) {
  std::string out;
  for (const FormulaReference& reference : FindFormulaReferences(formula)) {
    for (const RefEnd& end : {reference.area.first, reference.area.last}) {
      out += std::to_string(end.row) + (end.row_absolute ? "$," : ",") + std::to_string(end.column) +
             (end.column_absolute ? "$," : ",");
    }
    out += std::to_string(reference.sheet.size()) + ":" + reference.sheet + ";";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  Insertion insertion;
  insertion.sheet = (data[0] & 1) ? "Sheet1" : "It's Mine";
  insertion.rows = (data[0] & 2) != 0;
  insertion.at = 1 + data[1] * 7;
  insertion.count = 1 + data[2] % 40;
  const std::string formula(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string host = (data[0] & 4) ? "Sheet1" : "Other";

  const std::string shifted = ShiftFormula(formula, insertion, host);
  if (NearTheEdge(formula, insertion.rows, insertion.count)) return 0;
  Insertion back = insertion;
  back.at = insertion.at + insertion.count;
  back.count = -insertion.count;
  const std::string restored = ShiftFormula(shifted, back, host);
  if (References(formula) != References(restored)) std::abort();
  if (ShiftFormula(ShiftFormula(restored, insertion, host), back, host) != restored) std::abort();
  return 0;
}
