#pragma once
// The functions the evaluator computes, by name, with their argument counts;
// and what it knows of the others.
#include <string_view>

#include "formula/evaluation.h"

namespace tallyvane::formula {

struct FunctionEntry {
  const char* name;
  FunctionImpl impl;
  int min_args;
  int max_args;
};

// The entry for an upper-case name, or null.
const FunctionEntry* FindFunction(std::string_view name);
// Functions whose result changes without any cell changing, or whose
// references are computed: their formulas can never keep a result.
bool IsVolatileFunction(std::string_view name);
// Deterministic built-in functions we do not compute: their result stays
// valid while nothing they read changes.
bool IsOtherBuiltinFunction(std::string_view name);

// The families, each in its own file.
extern const FunctionEntry kAggregateFunctions[];
extern const FunctionEntry kCriteriaFunctions[];
extern const FunctionEntry kLookupFunctions[];
extern const FunctionEntry kLogicFunctions[];
extern const FunctionEntry kMathFunctions[];
extern const FunctionEntry kTextFunctions[];
extern const FunctionEntry kDateFunctions[];

}  // namespace tallyvane::formula
