// ROUND, ROUNDUP, ROUNDDOWN, INT, ABS, MOD and SUMPRODUCT.
#include <cmath>

#include "formula/decimal_rounding.h"
#include "formula/function_table.h"
#include "formula/number_collector.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }
Operand Number(double v) { return Operand::Of(FormulaValue::Number(v)); }

template <RoundingMode mode>
Operand Round(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue x = ev.Number(*args[0]);
  if (x.IsError()) return Operand::Of(x);
  FormulaValue d = ev.Number(*args[1]);
  if (d.IsError()) return Operand::Of(d);
  if (std::fabs(d.number) > 300) {
    ev.Uncertain();
    return Error(ErrorCode::Num);
  }
  bool differs = false;
  double r = RoundDecimal(x.number, static_cast<int>(std::trunc(d.number)), mode, &differs);
  // Rounding a value that lies a hair from a boundary towards or away
  // from zero depends on which digits the spreadsheet looks at.
  if (differs && mode != RoundingMode::Nearest) ev.Uncertain();
  return Number(r);
}

double Floor(Evaluation& ev, double x) {
  bool differs = false;
  double r = RoundDecimal(x, 0, x < 0 ? RoundingMode::Up : RoundingMode::Down, &differs);
  if (differs || r != std::floor(x)) ev.Uncertain();
  return r;
}

Operand Int(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue x = ev.Number(*args[0]);
  if (x.IsError()) return Operand::Of(x);
  return Number(Floor(ev, x.number));
}

Operand Abs(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue x = ev.Number(*args[0]);
  if (x.IsError()) return Operand::Of(x);
  return Number(std::fabs(x.number));
}

Operand Mod(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue a = ev.Number(*args[0]);
  if (a.IsError()) return Operand::Of(a);
  FormulaValue b = ev.Number(*args[1]);
  if (b.IsError()) return Operand::Of(b);
  if (b.number == 0) return Error(ErrorCode::Div0);
  double q = a.number / b.number;
  // Far beyond the digits a double holds the quotient's floor is noise,
  // and spreadsheets refuse such operands differently.
  if (std::fabs(q) > 1e9 || std::fabs(a.number) >= 1e15 || std::fabs(b.number) >= 1e15) {
    ev.Uncertain();
    return Error(ErrorCode::Num);
  }
  double r = a.number - b.number * Floor(ev, q);
  if (r != 0 && std::fabs(r) < 1e-9 * std::fabs(a.number)) ev.Uncertain();
  return Number(r);
}

Operand SumProduct(Evaluation& ev, const FunctionArgs& args) {
  std::vector<const RangeData*> ranges;
  int rows = -1, columns = -1;
  for (const auto& arg : args) {
    Operand o = ev.Evaluate(*arg);
    if (!o.is_range) {
      // Arrays computed from expressions are not evaluated here.
      ev.Uncertain();
      return Error(ErrorCode::Value);
    }
    const RangeData& d = ev.Range(o.range);
    if (rows >= 0 && (d.rows != rows || d.columns != columns)) return Error(ErrorCode::Value);
    rows = d.rows;
    columns = d.columns;
    ranges.push_back(&d);
  }
  int stored_rows = 0, stored_columns = 0;
  for (const RangeData* d : ranges) {
    stored_rows = std::max(stored_rows, d->stored_rows);
    stored_columns = std::max(stored_columns, d->stored_columns);
  }
  std::vector<double> products;
  for (int r = 0; r < stored_rows; ++r) {
    for (int c = 0; c < stored_columns; ++c) {
      double p = 1;
      for (const RangeData* d : ranges) {
        const FormulaValue& v = d->At(r, c);
        if (v.IsError()) return Operand::Of(v);
        if (v.kind == FormulaValue::Kind::Boolean) ev.Uncertain();
        p *= v.IsNumber() ? v.number : 0;
      }
      products.push_back(p);
    }
  }
  return Number(SumOf(ev, products));
}

}  // namespace

const FunctionEntry kMathFunctions[] = {
    {"ROUND", Round<RoundingMode::Nearest>, 2, 2},
    {"ROUNDUP", Round<RoundingMode::Up>, 2, 2},
    {"ROUNDDOWN", Round<RoundingMode::Down>, 2, 2},
    {"INT", Int, 1, 1},
    {"ABS", Abs, 1, 1},
    {"MOD", Mod, 2, 2},
    {"SUMPRODUCT", SumProduct, 1, 255},
    {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
