#include "formula/number_collector.h"

#include <cmath>

namespace tallyvane::formula {

NumberList CollectNumbers(Evaluation& ev, const FunctionArgs& args, size_t first, const CollectOptions& options) {
  NumberList list;
  auto fail = [&](const FormulaValue& e) {
    if (!list.has_error) {
      list.has_error = true;
      list.error = e;
    }
  };
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i]->type == Node::Type::Missing) {
      ev.Uncertain();
      continue;
    }
    Operand o = ev.Evaluate(*args[i]);
    if (!o.is_range) {
      const FormulaValue& v = o.value;
      if (v.IsError()) {
        fail(v);
      } else if (v.kind == FormulaValue::Kind::Number || v.kind == FormulaValue::Kind::Boolean) {
        list.values.push_back(v.number);
      } else if (v.kind == FormulaValue::Kind::Text) {
        FormulaValue n = ev.NumberOf(v);
        if (n.IsError()) fail(n);
        else list.values.push_back(n.number);
      }
      continue;
    }
    const RangeData& d = ev.Range(o.range);
    if (options.skip_hidden || options.skip_subtotals) {
      // Only rows a filter hides are left out of the plain forms, and a
      // hidden row does not say whether a filter hid it.
      if (!options.skip_hidden && d.any_hidden) ev.Uncertain();
    }
    for (int r = 0; r < d.stored_rows; ++r) {
      if (options.skip_hidden && d.RowHidden(r)) continue;
      for (int c = 0; c < d.stored_columns; ++c) {
        const FormulaValue& v = d.At(r, c);
        if (options.skip_subtotals && (d.FlagsAt(r, c) & RangeData::kSubtotalCell)) continue;
        if (v.kind == FormulaValue::Kind::Number) list.values.push_back(v.number);
        else if (v.IsError()) fail(v);
        // A Boolean in a cell is a number 1 or 0 to one spreadsheet.
        else if (v.kind == FormulaValue::Kind::Boolean) ev.Uncertain();
      }
    }
  }
  return list;
}

double SumOf(Evaluation& ev, const std::vector<double>& values) {
  double sum = 0, compensation = 0, largest = 0;
  for (double v : values) {
    double t = sum + v;
    compensation += std::fabs(sum) >= std::fabs(v) ? (sum - t) + v : (v - t) + sum;
    sum = t;
    largest = std::fmax(largest, std::fabs(v));
  }
  double result = sum + compensation;
  if (result != 0 && std::fabs(result) < 1e-9 * largest) ev.Uncertain();
  // Terms that cancel to within the last bits are taken as cancelled.
  if (std::fabs(result) < largest * 3.5527136788005009e-15 && result != 0) return 0;
  return result;
}

}  // namespace tallyvane::formula
