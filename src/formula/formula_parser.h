#pragma once
// Parses a stored formula (no leading "=") into an expression tree with the
// spreadsheet's precedence: unary minus before percent before "^", then
// "*" and "/", "+" and "-", "&", and the comparisons, all left to right.
// References are found by the engine's reference lexer, so both read the
// same grammar. What the evaluator does not support (array constants, 3-D,
// external and structured references, the union and intersection
// operators) fails the parse with a reason.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formula/formula_value.h"

namespace tallyvane::formula {

// A rectangle of a sheet; whole columns run over every row and whole rows
// over every column.
struct Area {
  int first_row = 1;
  int first_column = 1;
  int last_row = 1;
  int last_column = 1;
};

struct Node {
  enum class Type { Literal, Reference, Name, Negate, Plus, Percent, Binary, Call, Missing };
  Type type = Type::Literal;
  FormulaValue literal;  // Literal
  std::string sheet;     // Reference: unquoted sheet name, "" for the formula's own sheet
  Area area;             // Reference
  std::string name;      // Name, Call: upper case, without the _xlfn. prefix
  std::string op;        // Binary: + - * / ^ & = <> < > <= >=
  std::vector<std::unique_ptr<Node>> children;
};

struct ParsedFormula {
  std::unique_ptr<Node> root;  // null when the formula is not supported
  std::string failure;         // why not
};

ParsedFormula ParseFormula(std::string_view text);

}  // namespace tallyvane::formula
