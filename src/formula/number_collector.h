#pragma once
// Gathers the numbers an aggregate function reads from its arguments, by
// the spreadsheet's rules: in ranges only numbers count (texts, Booleans
// and empty cells are passed over, errors are the result); typed directly,
// Booleans and number texts count too. A range's numbers are summed once
// and the summary shared by every formula that reads the range.
#include <limits>
#include <vector>

#include "formula/evaluation.h"

namespace tallyvane::formula {

struct CollectOptions {
  bool skip_subtotals = false;  // cells that hold SUBTOTAL are not counted
  bool skip_hidden = false;     // rows hidden by hand or by a filter are not counted
  bool keep_values = false;     // every number is needed, not only the summary
};

struct NumberList {
  std::vector<double> values;  // with keep_values only
  double count = 0;
  double sum = 0;  // compensated sum: sum + compensation
  double compensation = 0;
  double largest = 0;  // the largest magnitude of any term
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();
  bool has_error = false;
  bool any_boolean = false;  // a Boolean cell in a range
  FormulaValue error;

  void Add(double v);
  void Merge(const NumberList& other);
  void Fail(const FormulaValue& e);
};

NumberList CollectNumbers(Evaluation& ev, const FunctionArgs& args, size_t first, const CollectOptions& options = {});

// The compensated sum; where the terms cancel down to rounding noise the
// result is uncertain, and within the last bits of the largest term it is 0.
double SumOf(Evaluation& ev, const NumberList& list);
double SumOf(const NumberList& list, bool* certain);
double SumOf(Evaluation& ev, const std::vector<double>& values);

}  // namespace tallyvane::formula
