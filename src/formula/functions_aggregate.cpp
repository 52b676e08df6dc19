// SUM, AVERAGE, MIN, MAX, COUNT, COUNTA, COUNTBLANK and SUBTOTAL.
#include <algorithm>
#include <cmath>

#include "formula/function_table.h"
#include "formula/number_collector.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }
Operand Number(double v) { return Operand::Of(FormulaValue::Number(v)); }

enum class Aggregate { Average, Count, CountA, Max, Min, Product, StDev, StDevP, Sum, Var, VarP };

double Variance(Evaluation& ev, const std::vector<double>& v, bool sample) {
  double mean = SumOf(ev, v) / static_cast<double>(v.size());
  std::vector<double> squares;
  squares.reserve(v.size());
  for (double x : v) squares.push_back((x - mean) * (x - mean));
  return SumOf(ev, squares) / static_cast<double>(v.size() - (sample ? 1 : 0));
}

bool NeedsValues(Aggregate kind) {
  return kind == Aggregate::Product || kind == Aggregate::StDev || kind == Aggregate::StDevP ||
         kind == Aggregate::Var || kind == Aggregate::VarP;
}

Operand FromNumbers(Evaluation& ev, Aggregate kind, const NumberList& list) {
  const std::vector<double>& v = list.values;
  if (kind == Aggregate::Count) return Number(list.count);
  if (list.has_error) return Operand::Of(list.error);
  switch (kind) {
    case Aggregate::Sum: return Number(SumOf(ev, list));
    case Aggregate::Average:
      if (list.count == 0) return Error(ErrorCode::Div0);
      return Number(SumOf(ev, list) / list.count);
    case Aggregate::Max: return Number(list.count == 0 ? 0 : list.max);
    case Aggregate::Min: return Number(list.count == 0 ? 0 : list.min);
    case Aggregate::Product: {
      double p = v.empty() ? 0 : 1;
      for (double x : v) p *= x;
      return Number(p);
    }
    case Aggregate::StDev:
    case Aggregate::Var:
      if (v.size() < 2) return Error(ErrorCode::Div0);
      return Number(kind == Aggregate::Var ? Variance(ev, v, true) : std::sqrt(Variance(ev, v, true)));
    case Aggregate::StDevP:
    case Aggregate::VarP:
      if (v.empty()) return Error(ErrorCode::Div0);
      return Number(kind == Aggregate::VarP ? Variance(ev, v, false) : std::sqrt(Variance(ev, v, false)));
    default: break;
  }
  return Error(ErrorCode::Value);
}

template <Aggregate kind>
Operand OverNumbers(Evaluation& ev, const FunctionArgs& args) {
  return FromNumbers(ev, kind, CollectNumbers(ev, args, 0));
}

// Counts the cells that are not empty; typed values count whatever they are.
Operand CountNonEmpty(Evaluation& ev, const FunctionArgs& args, size_t first, const CollectOptions& options) {
  double n = 0;
  for (size_t i = first; i < args.size(); ++i) {
    const auto& arg = args[i];
    if (arg->type == Node::Type::Missing) {
      ev.Uncertain();
      continue;
    }
    Operand o = ev.Evaluate(*arg);
    if (!o.is_range) {
      ++n;
      continue;
    }
    const RangeData& d = ev.Range(o.range);
    for (int r = 0; r < d.stored_rows; ++r) {
      if (options.skip_hidden && d.RowHidden(r)) continue;
      for (int c = 0; c < d.stored_columns; ++c) {
        if (options.skip_subtotals && (d.FlagsAt(r, c) & RangeData::kSubtotalCell)) continue;
        if (d.At(r, c).kind != FormulaValue::Kind::Empty) ++n;
      }
    }
  }
  return Number(n);
}

Operand CountA(Evaluation& ev, const FunctionArgs& args) { return CountNonEmpty(ev, args, 0, {}); }

Operand CountBlank(Evaluation& ev, const FunctionArgs& args) {
  Operand o = ev.Evaluate(*args[0]);
  if (!o.is_range) {
    ev.Uncertain();
    return Error(ErrorCode::Value);
  }
  const RangeData& d = ev.Range(o.range);
  double blank = static_cast<double>(d.rows) * d.columns;
  for (int r = 0; r < d.stored_rows; ++r) {
    for (int c = 0; c < d.stored_columns; ++c) {
      const FormulaValue& v = d.At(r, c);
      // An empty text counts as blank.
      if (v.kind != FormulaValue::Kind::Empty && !(v.IsText() && v.text.empty())) --blank;
    }
  }
  return Number(blank);
}

Operand Subtotal(Evaluation& ev, const FunctionArgs& args) {
  static const Aggregate kCodes[] = {Aggregate::Average, Aggregate::Count,   Aggregate::CountA, Aggregate::Max,
                                     Aggregate::Min,     Aggregate::Product, Aggregate::StDev,  Aggregate::StDevP,
                                     Aggregate::Sum,     Aggregate::Var,     Aggregate::VarP};
  FormulaValue which = ev.Number(*args[0]);
  if (which.IsError()) return Operand::Of(which);
  int code = static_cast<int>(std::trunc(which.number));
  CollectOptions options;
  options.skip_subtotals = true;
  if (code > 100) {
    options.skip_hidden = true;
    code -= 100;
  }
  if (code < 1 || code > 11) return Error(ErrorCode::Value);
  for (size_t i = 1; i < args.size(); ++i) {
    // Only references may follow the function number.
    if (args[i]->type != Node::Type::Reference) ev.Uncertain();
  }
  if (code == 3) return CountNonEmpty(ev, args, 1, options);
  options.keep_values = NeedsValues(kCodes[code - 1]);
  return FromNumbers(ev, kCodes[code - 1], CollectNumbers(ev, args, 1, options));
}

}  // namespace

const FunctionEntry kAggregateFunctions[] = {
    {"SUM", OverNumbers<Aggregate::Sum>, 1, 255},
    {"AVERAGE", OverNumbers<Aggregate::Average>, 1, 255},
    {"MIN", OverNumbers<Aggregate::Min>, 1, 255},
    {"MAX", OverNumbers<Aggregate::Max>, 1, 255},
    {"COUNT", OverNumbers<Aggregate::Count>, 1, 255},
    {"COUNTA", CountA, 1, 255},
    {"COUNTBLANK", CountBlank, 1, 1},
    {"SUBTOTAL", Subtotal, 2, 255},
    {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
