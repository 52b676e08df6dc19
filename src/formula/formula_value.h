#pragma once
// The values a formula computes with (numbers, texts, Booleans, errors and
// the empty cell) and the spreadsheet's conversions and comparisons between
// them. Each conversion says whether its result is certain: where the
// spreadsheets differ among themselves (locale-dependent number texts,
// collation of punctuation, near-equal numbers) the answer is flagged.
#include <string>
#include <string_view>

namespace tallyvane::formula {

enum class ErrorCode { Null, Div0, Value, Ref, Name, Num, NA };

struct FormulaValue {
  enum class Kind { Empty, Number, Text, Boolean, Error };
  Kind kind = Kind::Empty;
  double number = 0;  // numbers; Booleans as 0 or 1
  std::string text;
  ErrorCode error = ErrorCode::NA;

  static FormulaValue Number(double v);
  static FormulaValue Text(std::string v);
  static FormulaValue Boolean(bool v);
  static FormulaValue Error(ErrorCode e);

  bool IsError() const { return kind == Kind::Error; }
  bool IsNumber() const { return kind == Kind::Number; }
  bool IsText() const { return kind == Kind::Text; }
};

// "#DIV/0!" for Div0 and so on; Code parses such a literal (false if none).
const char* ErrorText(ErrorCode e);
bool ErrorFromText(std::string_view text, ErrorCode* e);

// Only texts of an optional sign and digits read as the same number in
// every locale and under every conversion setting.
bool PlainInteger(std::string_view t);

// The outcome of a conversion: its value and whether every spreadsheet
// agrees on it.
struct Conversion {
  FormulaValue value;
  bool certain = true;
};

// A value as a number in arithmetic: empty is 0, Booleans 0 or 1, a text
// that reads as a plain decimal number is that number (other texts are
// #VALUE!, or uncertain when some locale might read them as a number).
Conversion ToNumber(const FormulaValue& v);
// A value as a truth value (numbers non-zero; "TRUE"/"FALSE" texts).
Conversion ToBoolean(const FormulaValue& v);

// Rounds to 15 significant digits, as both spreadsheets do before
// deciding a floor, a ceiling or a tie.
double ApproxValue(double v);
// Equal within the last bits of a double, as the spreadsheets compare.
bool ApproxEqual(double a, double b);
// a + b and a - b with the spreadsheets' snap to zero when the operands
// cancel; certain is cleared when the cancellation leaves only noise.
double ApproxAdd(double a, double b, bool* certain);

// Compares two scalar values as the comparison operators do: numbers below
// texts below Booleans, texts without case. Returns <0, 0 or >0; clears
// *certain when spreadsheets may order the pair differently.
int CompareValues(const FormulaValue& a, const FormulaValue& b, bool* certain);
// Case-insensitive equality of texts; clears *certain beyond ASCII.
bool SameText(std::string_view a, std::string_view b, bool* certain);

// The number of UTF-16 units of a UTF-8 text, as text functions count.
size_t TextLength(std::string_view text);

}  // namespace tallyvane::formula
