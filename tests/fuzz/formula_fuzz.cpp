// The formula parser and evaluator on any formula text, in a small
// workbook: nothing crashes or loops, a result called certain is never an
// error, and the same formula in parentheses gives the same result.
// Formulas with a certain result are written to the folder named by
// FORMULA_FUZZ_SEEDS, one per file, for the LibreOffice comparison.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "formula/evaluator.h"

using namespace tallyvane::formula;

namespace {

// Data!A1:C6: numbers, texts, Booleans, blanks; D1 holds the formula
// itself, so references to it are circular.
class FixedSource : public CellSource {
 public:
  explicit FixedSource(std::string formula) : formula_(std::move(formula)) {
    const char* texts[] = {"North", "south", "a*b", "", "10", "x y"};
    for (int r = 1; r <= 6; ++r) {
      cells_[{r, 1}] = FormulaValue::Number(r * 1.5 - 3);
      cells_[{r, 2}] = FormulaValue::Text(texts[r - 1]);
      if (r % 2) cells_[{r, 3}] = FormulaValue::Boolean(r == 3);
    }
  }
  int FindSheet(std::string_view name) const override { return name == "Data" || name == "data" ? 0 : -1; }
  SourceCell Cell(int, int row, int column) const override {
    SourceCell c;
    if (row == 1 && column == 4) {
      c.kind = SourceCell::Kind::Formula;
      c.formula = formula_;
      return c;
    }
    auto it = cells_.find({row, column});
    if (it == cells_.end()) return c;
    c.kind = SourceCell::Kind::Value;
    c.value = it->second;
    return c;
  }
  void ForEachCell(int sheet, const Area& a, const std::function<void(int, int, SourceCell&)>& visit) const override {
    for (int r = a.first_row; r <= std::min(a.last_row, 6); ++r) {
      for (int c = a.first_column; c <= std::min(a.last_column, 4); ++c) {
        SourceCell cell = Cell(sheet, r, c);
        if (cell.kind != SourceCell::Kind::Empty) visit(r, c, cell);
      }
    }
  }
  int LastRow(int) const override { return 6; }
  int LastColumn(int) const override { return 4; }
  bool RowHidden(int, int row) const override { return row == 4; }
  bool SheetChanged(int) const override { return false; }
  bool FindName(std::string_view name, int, std::string* formula, bool* changed) const override {
    if (name != "RATE") return false;
    *formula = "Data!$A$2";
    *changed = false;
    return true;
  }

 private:
  std::string formula_;
  std::map<std::pair<int, int>, FormulaValue> cells_;
};

std::string Show(const CellResult& r) {
  char buf[64];
  switch (r.value.kind) {
    case FormulaValue::Kind::Number: std::snprintf(buf, sizeof buf, "%.17g", r.value.number); return buf;
    case FormulaValue::Kind::Text: return "\"" + r.value.text;
    case FormulaValue::Kind::Boolean: return r.value.number != 0 ? "TRUE" : "FALSE";
    case FormulaValue::Kind::Error: return ErrorText(r.value.error);
    case FormulaValue::Kind::Empty: return "empty";
  }
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2000) return 0;
  std::string formula(reinterpret_cast<const char*>(data), size);
  FixedSource source(formula);
  Evaluator evaluator(source, size % 2 == 1);
  CellResult plain = evaluator.Evaluate(0, 1, 4);
  if (plain.certain && (plain.value.IsError() || (plain.value.IsNumber() && !std::isfinite(plain.value.number)))) {
    std::abort();
  }
  FixedSource grouped_source("(" + formula + ")");
  Evaluator grouped(grouped_source, size % 2 == 1);
  CellResult g = grouped.Evaluate(0, 1, 4);
  if (plain.certain && (!g.certain || Show(g) != Show(plain))) std::abort();
  if (const char* seeds = std::getenv("FORMULA_FUZZ_SEEDS"); seeds && plain.certain) {
    std::ofstream(std::string(seeds) + "/" + std::to_string(std::hash<std::string>()(formula))) << formula;
  }
  return 0;
}
