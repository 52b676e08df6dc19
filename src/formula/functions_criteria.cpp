// COUNTIF, COUNTIFS, SUMIF, SUMIFS, AVERAGEIF and AVERAGEIFS: one pass over
// ranges read once per distinct range.
#include <cstdint>
#include <string>

#include "formula/criteria.h"
#include "formula/function_table.h"
#include "formula/number_collector.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }

struct Condition {
  const RangeData* range;
  Criterion criterion;
};

enum class Result { Count, Sum, Average };

// Runs the conditions over their ranges (all of one size) and counts,
// sums or averages the matching cells of the value range (may be null).
// *certain is cleared where spreadsheets may match otherwise.
FormulaValue Compute(const std::vector<Condition>& conditions, const RangeData* values, Result result, int stored_rows,
                     int stored_columns, bool* certain) {
  const int rows = conditions[0].range->rows, columns = conditions[0].range->columns;
  double count = 0;
  NumberList sum;
  for (int r = 0; r < stored_rows; ++r) {
    for (int c = 0; c < stored_columns; ++c) {
      bool all = true;
      for (const Condition& cond : conditions) {
        if (!MeetsCriterion(cond.criterion, cond.range->At(r, c), certain)) {
          all = false;
          break;
        }
      }
      if (!all) continue;
      ++count;
      if (values) {
        const FormulaValue& v = values->At(r, c);
        if (v.IsError()) return v;
        if (v.IsNumber()) sum.Add(v.number);
        // A Boolean is a number 1 or 0 to one spreadsheet.
        if (v.kind == FormulaValue::Kind::Boolean) *certain = false;
      }
    }
  }
  // Beyond the cells the sheets hold every cell is empty.
  const double beyond = static_cast<double>(rows) * columns - static_cast<double>(stored_rows) * stored_columns;
  if (beyond > 0) {
    bool all = true;
    for (const Condition& cond : conditions) all = all && MeetsCriterion(cond.criterion, FormulaValue(), certain);
    if (all) count += beyond;
  }
  switch (result) {
    case Result::Count: return FormulaValue::Number(count);
    case Result::Sum: return FormulaValue::Number(SumOf(sum, certain));
    case Result::Average:
      if (sum.count == 0) return FormulaValue::Error(ErrorCode::Div0);
      return FormulaValue::Number(SumOf(sum, certain) / sum.count);
  }
  return FormulaValue::Error(ErrorCode::Value);
}

// Compute, once per distinct set of ranges and criteria: a column of
// totals by region reads the data once per region, not once per formula.
Operand Apply(Evaluation& ev, const std::vector<Condition>& conditions, const RangeData* values, Result result) {
  const int rows = conditions[0].range->rows, columns = conditions[0].range->columns;
  int stored_rows = values ? values->stored_rows : 0, stored_columns = values ? values->stored_columns : 0;
  std::string key =
      std::to_string(static_cast<int>(result)) + "|" + std::to_string(reinterpret_cast<std::uintptr_t>(values));
  for (const Condition& c : conditions) {
    if (c.range->rows != rows || c.range->columns != columns) return Error(ErrorCode::Value);
    if (!c.criterion.certain) ev.Uncertain();
    stored_rows = std::max(stored_rows, c.range->stored_rows);
    stored_columns = std::max(stored_columns, c.range->stored_columns);
    const FormulaValue& o = c.criterion.operand;
    key += "|" + std::to_string(reinterpret_cast<std::uintptr_t>(c.range)) + "|" +
           std::to_string(static_cast<int>(c.criterion.op)) + std::to_string(static_cast<int>(o.kind)) + ":" +
           (o.IsText() ? o.text : std::to_string(o.number));
  }
  auto& memo = conditions[0].range->criteria_results;
  auto found = memo.find(key);
  if (found == memo.end()) {
    bool certain = true;
    FormulaValue v = Compute(conditions, values, result, stored_rows, stored_columns, &certain);
    found = memo.emplace(key, RangeData::Memo{v, certain}).first;
  }
  if (!found->second.certain) ev.Uncertain();
  return Operand::Of(found->second.value);
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
