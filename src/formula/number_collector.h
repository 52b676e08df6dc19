#pragma once
// Gathers the numbers an aggregate function reads from its arguments, by
// the spreadsheet's rules: in ranges only numbers count (texts, Booleans
// and empty cells are passed over, errors are the result); typed directly,
// Booleans and number texts count too.
#include <vector>

#include "formula/evaluation.h"

namespace tallyvane::formula {

struct CollectOptions {
  bool skip_subtotals = false;  // cells that hold SUBTOTAL are not counted
  bool skip_hidden = false;     // rows hidden by hand or by a filter are not counted
};

struct NumberList {
  std::vector<double> values;
  bool has_error = false;
  FormulaValue error;
};

NumberList CollectNumbers(Evaluation& ev, const FunctionArgs& args, size_t first, const CollectOptions& options = {});

// Sum with compensation, as one spreadsheet does; where the terms cancel
// down to rounding noise the sum is uncertain.
double SumOf(Evaluation& ev, const std::vector<double>& values);

}  // namespace tallyvane::formula
