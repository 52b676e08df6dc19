// COUNTIF, COUNTIFS, SUMIF, SUMIFS, AVERAGEIF and AVERAGEIFS: one pass over
// ranges read once per distinct range.
#include "formula/criteria.h"
#include "formula/function_table.h"
#include "formula/number_collector.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }
Operand Number(double v) { return Operand::Of(FormulaValue::Number(v)); }

struct Condition {
  const RangeData* range;
  Criterion criterion;
};

enum class Result { Count, Sum, Average };

// Runs the conditions over their ranges (all of one size) and counts,
// sums or averages the matching cells of the value range (may be null).
Operand Apply(Evaluation& ev, const std::vector<Condition>& conditions, const RangeData* values, Result result) {
  const int rows = conditions[0].range->rows, columns = conditions[0].range->columns;
  int stored_rows = values ? values->stored_rows : 0, stored_columns = values ? values->stored_columns : 0;
  for (const Condition& c : conditions) {
    if (c.range->rows != rows || c.range->columns != columns) return Error(ErrorCode::Value);
    if (!c.criterion.certain) ev.Uncertain();
    stored_rows = std::max(stored_rows, c.range->stored_rows);
    stored_columns = std::max(stored_columns, c.range->stored_columns);
  }
  bool certain = true;
  double count = 0;
  std::vector<double> sum;
  for (int r = 0; r < stored_rows; ++r) {
    for (int c = 0; c < stored_columns; ++c) {
      bool all = true;
      for (const Condition& cond : conditions) {
        if (!MeetsCriterion(cond.criterion, cond.range->At(r, c), &certain)) {
          all = false;
          break;
        }
      }
      if (!all) continue;
      ++count;
      if (values) {
        const FormulaValue& v = values->At(r, c);
        if (v.IsError()) return Operand::Of(v);
        if (v.IsNumber()) sum.push_back(v.number);
      }
    }
  }
  // Beyond the cells the sheets hold every cell is empty.
  const double beyond = static_cast<double>(rows) * columns - static_cast<double>(stored_rows) * stored_columns;
  if (beyond > 0 && stored_rows <= rows && stored_columns <= columns) {
    bool all = true;
    for (const Condition& cond : conditions) all = all && MeetsCriterion(cond.criterion, FormulaValue(), &certain);
    if (all) count += beyond;
  }
  if (!certain) ev.Uncertain();
  switch (result) {
    case Result::Count: return Number(count);
    case Result::Sum: return Number(SumOf(ev, sum));
    case Result::Average:
      if (sum.empty()) return Error(ErrorCode::Div0);
      return Number(SumOf(ev, sum) / static_cast<double>(sum.size()));
  }
  return Error(ErrorCode::Value);
}

// The range of an argument, or null (after marking the result uncertain)
// when the argument is not a reference.
const RangeData* RangeArg(Evaluation& ev, const Node& node) {
  Operand o = ev.Evaluate(node);
  if (!o.is_range) {
    ev.Uncertain();
    return nullptr;
  }
  return &ev.Range(o.range);
}

bool AddCondition(Evaluation& ev, const Node& range, const Node& criterion, std::vector<Condition>* out) {
  const RangeData* d = RangeArg(ev, range);
  if (!d) return false;
  FormulaValue c = ev.Scalar(criterion);
  out->push_back({d, ParseCriterion(c)});
  return true;
}

template <Result result>
Operand OneCondition(Evaluation& ev, const FunctionArgs& args) {
  std::vector<Condition> conditions;
  if (!AddCondition(ev, *args[0], *args[1], &conditions)) return Error(ErrorCode::Value);
  const RangeData* values = nullptr;
  if (result != Result::Count) {
    values = conditions[0].range;
    if (args.size() > 2 && args[2]->type != Node::Type::Missing) {
      values = RangeArg(ev, *args[2]);
      if (!values) return Error(ErrorCode::Value);
      // A value range of another size is resized from its corner by
      // some spreadsheets and refused by others.
      if (values->rows != conditions[0].range->rows || values->columns != conditions[0].range->columns) {
        ev.Uncertain();
        return Error(ErrorCode::Value);
      }
    }
  }
  return Apply(ev, conditions, values, result);
}

template <Result result>
Operand ManyConditions(Evaluation& ev, const FunctionArgs& args) {
  size_t first = result == Result::Count ? 0 : 1;
  if ((args.size() - first) % 2 != 0 || args.size() - first < 2) {
    ev.Uncertain();
    return Error(ErrorCode::Value);
  }
  const RangeData* values = nullptr;
  if (first == 1 && !(values = RangeArg(ev, *args[0]))) return Error(ErrorCode::Value);
  std::vector<Condition> conditions;
  for (size_t i = first; i < args.size(); i += 2) {
    if (!AddCondition(ev, *args[i], *args[i + 1], &conditions)) return Error(ErrorCode::Value);
  }
  if (values && (values->rows != conditions[0].range->rows || values->columns != conditions[0].range->columns)) {
    return Error(ErrorCode::Value);
  }
  return Apply(ev, conditions, values, result);
}

}  // namespace

const FunctionEntry kCriteriaFunctions[] = {
    {"COUNTIF", OneCondition<Result::Count>, 2, 2},
    {"SUMIF", OneCondition<Result::Sum>, 2, 3},
    {"AVERAGEIF", OneCondition<Result::Average>, 2, 3},
    {"COUNTIFS", ManyConditions<Result::Count>, 2, 254},
    {"SUMIFS", ManyConditions<Result::Sum>, 3, 255},
    {"AVERAGEIFS", ManyConditions<Result::Average>, 3, 255},
    {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
