#pragma once
// The criteria of SUMIF, COUNTIF and their kin: a value, or a text with an
// optional comparison in front (">2", "<>x", "=a*"), with the wildcards
// * ? and ~ in texts. A criterion or a match that spreadsheets read
// differently (dates and decimals written as text, collation) is flagged.
#include <string>
#include <string_view>

#include "formula/formula_value.h"

namespace tallyvane::formula {

struct Criterion {
  enum class Op { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };
  Op op = Op::Equal;
  FormulaValue operand;  // Number, Text or Boolean
  bool certain = true;
};

Criterion ParseCriterion(const FormulaValue& value);
// Whether a cell's value meets the criterion; clears *certain where
// spreadsheets may disagree.
bool MeetsCriterion(const Criterion& criterion, const FormulaValue& cell, bool* certain);
// Case-insensitive match of a text against a pattern with * ? and ~.
bool WildcardMatch(std::string_view pattern, std::string_view text, bool* certain);

}  // namespace tallyvane::formula
