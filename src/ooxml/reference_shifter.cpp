#include "ooxml/reference_shifter.h"

#include "ooxml/formula_reference_lexer.h"

namespace tallyvane::ooxml {
namespace {

// The desktop spreadsheet's rule for a span lo..hi and an insertion at `at`:
// at or before lo moves the span; inside (after lo, not after hi) grows it;
// after hi leaves it. Returns false when the span leaves the sheet.
bool ShiftSpan(int* lo, int* hi, int at, int count, int max, Growth growth) {
  if (*lo == 1 && *hi == max) return true;  // whole-sheet spans stay whole
  if (at <= *lo) {
    *lo += count;
    *hi += count;
  } else if (at <= *hi || (growth == Growth::Format && at == *hi + 1)) {
    *hi += count;
  } else {
    return true;
  }
  if (*lo > max) return false;
  if (*hi > max) *hi = max;
  return true;
}

}  // namespace

bool SplitsArea(const RefArea& area, const Insertion& ins) {
  const int first = ins.rows ? area.first.row : area.first.column;
  const int last = ins.rows ? area.last.row : area.last.column;
  return first > 0 && first < ins.at && ins.at <= last;
}

bool ShiftIndex(int* index, const Insertion& ins) {
  if (*index < ins.at) return true;
  *index += ins.count;
  return *index <= (ins.rows ? kMaxRows : kMaxColumns);
}

bool ShiftArea(RefArea* a, const Insertion& ins, Growth growth) {
  if (ins.rows) {
    if (a->first.row == 0) return true;  // whole columns: rows do not touch them
    int lo = a->first.row, hi = a->last.row;
    bool swapped = lo > hi;
    if (swapped) std::swap(lo, hi);
    if (a->single && growth == Growth::Reference) {
      if (!ShiftIndex(&lo, ins)) return false;
      a->first.row = a->last.row = lo;
      return true;
    }
    if (!ShiftSpan(&lo, &hi, ins.at, ins.count, kMaxRows, growth)) return false;
    if (swapped) std::swap(lo, hi);
    a->first.row = lo;
    a->last.row = hi;
  } else {
    if (a->first.column == 0) return true;  // whole rows
    int lo = a->first.column, hi = a->last.column;
    bool swapped = lo > hi;
    if (swapped) std::swap(lo, hi);
    if (a->single && growth == Growth::Reference) {
      if (!ShiftIndex(&lo, ins)) return false;
      a->first.column = a->last.column = lo;
      return true;
    }
    if (!ShiftSpan(&lo, &hi, ins.at, ins.count, kMaxColumns, growth)) return false;
    if (swapped) std::swap(lo, hi);
    a->first.column = lo;
    a->last.column = hi;
  }
  if (a->single && (a->first.row != a->last.row || a->first.column != a->last.column)) {
    a->single = false;
  }
  return true;
}

std::string ShiftFormula(std::string_view formula, const Insertion& ins, std::string_view host_sheet, bool* changed) {
  if (changed) *changed = false;
  std::vector<FormulaReference> refs = FindFormulaReferences(formula);
  std::string out;
  size_t copied = 0;
  bool any = false;
  for (FormulaReference& r : refs) {
    if (r.external || r.three_d) continue;
    bool ours = r.sheet.empty() ? (!host_sheet.empty() && SameSheetName(host_sheet, ins.sheet))
                                : SameSheetName(r.sheet, ins.sheet);
    if (!ours) continue;
    RefArea area = r.area;
    std::string text;
    if (ShiftArea(&area, ins, Growth::Reference)) {
      AppendArea(text, area);
    } else {
      text = "#REF!";
    }
    if (text == formula.substr(r.begin, r.end - r.begin)) continue;
    if (!any) out.reserve(formula.size() + 8);
    any = true;
    out.append(formula.substr(copied, r.begin - copied));
    out += text;
    copied = r.end;
  }
  if (!any) return std::string(formula);
  out.append(formula.substr(copied));
  if (changed) *changed = true;
  return out;
}

std::string ShiftSqref(std::string_view sqref, const Insertion& ins, Growth growth) {
  std::string out;
  size_t i = 0;
  while (i < sqref.size()) {
    while (i < sqref.size() && sqref[i] == ' ') ++i;
    size_t j = i;
    while (j < sqref.size() && sqref[j] != ' ') ++j;
    if (j == i) break;
    std::string_view item = sqref.substr(i, j - i);
    RefArea area;
    size_t end = 0;
    if (ParseAreaAt(item, 0, &area, &end) && end == item.size()) {
      if (ShiftArea(&area, ins, growth)) {
        if (!out.empty()) out += ' ';
        AppendArea(out, area);
      }
    } else {
      if (!out.empty()) out += ' ';
      out.append(item);
    }
    i = j;
  }
  return out;
}

std::string TranslateFormula(std::string_view formula, int row_offset, int column_offset) {
  std::vector<FormulaReference> refs = FindFormulaReferences(formula);
  std::string out;
  size_t copied = 0;
  for (FormulaReference& r : refs) {
    if (r.external) continue;
    RefArea a = r.area;
    bool valid = true;
    for (RefEnd* e : {&a.first, &a.last}) {
      if (e->row > 0 && !e->row_absolute) {
        e->row += row_offset;
        valid = valid && e->row >= 1 && e->row <= kMaxRows;
      }
      if (e->column > 0 && !e->column_absolute) {
        e->column += column_offset;
        valid = valid && e->column >= 1 && e->column <= kMaxColumns;
      }
    }
    out.append(formula.substr(copied, r.begin - copied));
    if (valid) {
      AppendArea(out, a);
    } else {
      out += "#REF!";
    }
    copied = r.end;
  }
  out.append(formula.substr(copied));
  return out;
}

}  // namespace tallyvane::ooxml
