#pragma once
// Computes the formulas of a workbook and says, for each, whether its
// result is certain (it and everything it depends on, all the way back,
// were computed by rules every spreadsheet shares) and whether it depends
// on anything the run changed (a cell written or moved, a name assigned,
// a volatile or unknown function on the way).
#include <memory>

#include "formula/cell_source.h"
#include "formula/formula_value.h"

namespace tallyvane::formula {

struct CellResult {
  FormulaValue value;
  bool certain = false;  // the value may be saved as the cell's result
  bool changed = true;   // a result the template holds may be stale
};

class Evaluator {
 public:
  Evaluator(const CellSource& source, bool date1904);
  ~Evaluator();
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // The result of the formula cell at (row, column) of the sheet.
  CellResult Evaluate(int sheet, int row, int column);
  // The result of a formula as if it stood in that cell (for tests).
  CellResult EvaluateText(std::string_view formula, int sheet, int row, int column);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tallyvane::formula
