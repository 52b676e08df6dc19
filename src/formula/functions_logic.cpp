// IF and IFERROR, which compute only the branch they take; AND, OR, NOT.
#include "formula/function_table.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }

FormulaValue Condition(Evaluation& ev, const Node& node) {
  Conversion c = ToBoolean(ev.Scalar(node));
  if (!c.certain) ev.Uncertain();
  return c.value;
}

Operand If(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue c = Condition(ev, *args[0]);
  if (c.IsError()) return Operand::Of(c);
  if (c.number != 0) return ev.Evaluate(*args[1]);
  if (args.size() < 3) return Operand::Of(FormulaValue::Boolean(false));
  return ev.Evaluate(*args[2]);
}

Operand IfError(Evaluation& ev, const FunctionArgs& args) {
  Operand v = ev.Evaluate(*args[0]);
  FormulaValue s = v.is_range ? ev.ScalarOf(v) : v.value;
  if (s.IsError()) return ev.Evaluate(*args[1]);
  return v;
}

Operand Logical(Evaluation& ev, const FunctionArgs& args, bool all) {
  bool any_value = false;
  bool result = all;
  for (const auto& arg : args) {
    Operand o = ev.Evaluate(*arg);
    auto take = [&](const FormulaValue& v, bool in_range) -> bool {
      if (v.IsError()) return false;
      if (v.kind == FormulaValue::Kind::Number || v.kind == FormulaValue::Kind::Boolean) {
        any_value = true;
        result = all ? result && v.number != 0 : result || v.number != 0;
      } else if (!in_range && v.kind != FormulaValue::Kind::Empty) {
        ev.Uncertain();
      }
      return true;
    };
    if (!o.is_range) {
      if (!take(o.value, false)) return o;
      continue;
    }
    const RangeData& d = ev.Range(o.range);
    for (int r = 0; r < d.stored_rows; ++r) {
      for (int c = 0; c < d.stored_columns; ++c) {
        if (!take(d.At(r, c), true)) return Operand::Of(d.At(r, c));
      }
    }
  }
  if (!any_value) return Error(ErrorCode::Value);
  return Operand::Of(FormulaValue::Boolean(result));
}

Operand And(Evaluation& ev, const FunctionArgs& args) { return Logical(ev, args, true); }
Operand Or(Evaluation& ev, const FunctionArgs& args) { return Logical(ev, args, false); }

Operand Not(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue c = Condition(ev, *args[0]);
  if (c.IsError()) return Operand::Of(c);
  return Operand::Of(FormulaValue::Boolean(c.number == 0));
}

}  // namespace

const FunctionEntry kLogicFunctions[] = {
    {"IF", If, 2, 3},   {"IFERROR", IfError, 2, 2}, {"AND", And, 1, 255},
    {"OR", Or, 1, 255}, {"NOT", Not, 1, 1},         {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
