#include "formula/number_collector.h"

#include <cmath>

namespace tallyvane::formula {

void NumberList::Add(double v) {
  double t = sum + v;
  compensation += std::fabs(sum) >= std::fabs(v) ? (sum - t) + v : (v - t) + sum;
  sum = t;
  largest = std::fmax(largest, std::fabs(v));
  min = std::fmin(min, v);
  max = std::fmax(max, v);
  ++count;
}

void NumberList::Merge(const NumberList& other) {
  if (other.has_error) Fail(other.error);
  any_boolean = any_boolean || other.any_boolean;
  if (other.count == 0) return;
  double t = sum + other.sum;
  compensation += std::fabs(sum) >= std::fabs(other.sum) ? (sum - t) + other.sum : (other.sum - t) + sum;
  compensation += other.compensation;
  sum = t;
  count += other.count;
  largest = std::fmax(largest, other.largest);
  min = std::fmin(min, other.min);
  max = std::fmax(max, other.max);
  values.insert(values.end(), other.values.begin(), other.values.end());
}

void NumberList::Fail(const FormulaValue& e) {
  if (has_error) return;
  has_error = true;
  error = e;
}

namespace {

NumberList ScanRange(const RangeData& d, const CollectOptions& options) {
  NumberList list;
  for (int r = 0; r < d.stored_rows; ++r) {
    if (options.skip_hidden && d.RowHidden(r)) continue;
    for (int c = 0; c < d.stored_columns; ++c) {
      if (options.skip_subtotals && (d.FlagsAt(r, c) & RangeData::kSubtotalCell)) continue;
      const FormulaValue& v = d.At(r, c);
      if (v.kind == FormulaValue::Kind::Number) {
        list.Add(v.number);
        if (options.keep_values) list.values.push_back(v.number);
      } else if (v.IsError()) {
        list.Fail(v);
      } else if (v.kind == FormulaValue::Kind::Boolean) {
        list.any_boolean = true;
      }
    }
  }
  return list;
}

}  // namespace

NumberList CollectNumbers(Evaluation& ev, const FunctionArgs& args, size_t first, const CollectOptions& options) {
  NumberList list;
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i]->type == Node::Type::Missing) {
      ev.Uncertain();
      continue;
    }
    Operand o = ev.Evaluate(*args[i]);
    if (!o.is_range) {
      const FormulaValue& v = o.value;
      if (v.IsError()) {
        list.Fail(v);
        continue;
      }
      FormulaValue n = v;
      if (v.kind == FormulaValue::Kind::Empty) {
        // An empty value that is no reference (a missing IF branch) counts
        // as 0 to some spreadsheets and not at all to others.
        ev.Uncertain();
        continue;
      }
      if (v.kind == FormulaValue::Kind::Text) {
        // One spreadsheet converts a text argument, another refuses it.
        ev.Uncertain();
        n = ev.NumberOf(v);
      }
      if (n.IsError()) {
        list.Fail(n);
      } else if (n.kind == FormulaValue::Kind::Number || n.kind == FormulaValue::Kind::Boolean) {
        list.Add(n.number);
        if (options.keep_values) list.values.push_back(n.number);
      }
      continue;
    }
    const RangeData& d = ev.Range(o.range);
    // Only rows a filter hides are left out of the plain forms, and a
    // hidden row does not say whether a filter hid it.
    if (options.skip_subtotals && !options.skip_hidden && d.any_hidden) ev.Uncertain();
    if (options.skip_hidden || options.skip_subtotals || options.keep_values) {
      list.Merge(ScanRange(d, options));
    } else {
      if (!d.summary) d.summary = std::make_shared<NumberList>(ScanRange(d, options));
      list.Merge(*d.summary);
    }
  }
  // A Boolean in a cell is a number 1 or 0 to one spreadsheet.
  if (list.any_boolean) ev.Uncertain();
  return list;
}

double SumOf(Evaluation& ev, const NumberList& list) {
  bool certain = true;
  double result = SumOf(list, &certain);
  if (!certain) ev.Uncertain();
  return result;
}

double SumOf(const NumberList& list, bool* certain) {
  double result = list.sum + list.compensation;
  if (result != 0 && std::fabs(result) < 1e-9 * list.largest) *certain = false;
  // Terms that cancel to within the last bits are taken as cancelled.
  if (result != 0 && std::fabs(result) < list.largest * 3.5527136788005009e-15) return 0;
  return result;
}

double SumOf(Evaluation& ev, const std::vector<double>& values) {
  NumberList list;
  for (double v : values) list.Add(v);
  return SumOf(ev, list);
}

}  // namespace tallyvane::formula
