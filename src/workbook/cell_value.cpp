#include "workbook/cell_value.h"

#include <cstdint>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

// 2^53: every whole number up to it, and no more, has its own double.
constexpr std::int64_t kLargestExact = 9007199254740992LL;
constexpr const char* kLargestExactDigits = "9007199254740992";

// Digits with an optional sign and nothing else.
bool IsIntegerText(const std::string& text) {
  const std::size_t first = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (first == text.size()) return false;
  for (std::size_t i = first; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

bool BeyondExactDouble(const std::string& integer_text) {
  const std::size_t sign = (integer_text[0] == '-' || integer_text[0] == '+') ? 1 : 0;
  std::size_t first = integer_text.find_first_not_of('0', sign);
  if (first == std::string::npos) return false;
  const std::string digits = integer_text.substr(first);
  const std::string largest = kLargestExactDigits;
  return digits.size() > largest.size() || (digits.size() == largest.size() && digits > largest);
}

}  // namespace

std::string BinaryMismatch(int field_number, const std::string& field_name) {
  return "Type mismatch (column " + std::to_string(field_number) + " \"" + field_name + "\" holds binary data)";
}

Value CellValueOf(Value field, int field_number, const std::string& field_name) {
  switch (field.kind) {
    case Value::Kind::Null: return Value::MakeText(std::string());
    case Value::Kind::Binary: throw PlatformError(BinaryMismatch(field_number, field_name));
    case Value::Kind::Integer:
      if (field.integer > kLargestExact || field.integer < -kLargestExact) {
        return Value::MakeText(std::to_string(field.integer));
      }
      return field;
    case Value::Kind::Decimal:
      if (IsIntegerText(field.text) && BeyondExactDouble(field.text)) {
        return Value::MakeText(field.text[0] == '+' ? field.text.substr(1) : field.text);
      }
      return field;
    default: return field;
  }
}

}  // namespace tallyvane
