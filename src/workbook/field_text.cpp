#include "workbook/field_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

// A number as the standard conversion of a field value writes it: at most
// 15 significant digits, plain decimal from 0.00001 up to below 10^15 and
// the exponent form ("1E+15", "1.5E-06") only outside that range. Built
// from to_chars, so the text is the same in every locale.
std::string NumberText(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
  if (number == 0) return "0";
  char text[64];
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, number, std::chars_format::scientific, 14);
  const std::string_view scientific(text, static_cast<std::size_t>(result.ptr - text));  // -d.ddddde+XX
  const std::size_t e = scientific.find('e');
  int exponent = 0;
  std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1), scientific.data() + scientific.size(),
                  exponent);
  const bool negative = scientific[0] == '-';
  std::string digits;
  for (char c : scientific.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += exponent < 0 ? "E-" : "E+";
    const std::string magnitude = std::to_string(exponent < 0 ? -exponent : exponent);
    if (magnitude.size() < 2) out += '0';
    return out + magnitude;
  }
  if (exponent < 0) return out + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
  return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

std::string DateText(const DateTime& dt) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", dt.year, dt.month, dt.day);
  return text;
}

// With the fraction of a second in as many digits as the database wrote,
// or, where it did not say, in as many as it takes.
std::string TimeText(const DateTime& dt) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%09u", dt.hour, dt.minute, dt.second,
                static_cast<unsigned>(dt.nanosecond % 1000000000u));
  std::string out = text;
  std::size_t digits = static_cast<std::size_t>(dt.fraction_digits);
  if (digits == 0) {
    digits = 9;
    while (digits > 0 && out[8 + digits] == '0') --digits;
  }
  out.resize(digits == 0 ? 8 : 9 + std::min<std::size_t>(digits, 9));
  return out;
}

bool HasTime(const DateTime& dt) { return dt.hour != 0 || dt.minute != 0 || dt.second != 0 || dt.nanosecond != 0; }

}  // namespace

std::string FieldValueText(Value value) {
  switch (value.kind) {
    case Value::Kind::Null: throw PlatformError("Invalid use of Null");
    case Value::Kind::Integer: return std::to_string(value.integer);
    case Value::Kind::Number: return NumberText(value.number);
    case Value::Kind::Decimal:
    case Value::Kind::Text: return std::move(value.text);
    case Value::Kind::Date: return DateText(value.date_time);
    case Value::Kind::Time: return TimeText(value.date_time);
    case Value::Kind::DateTime:
      return HasTime(value.date_time) ? DateText(value.date_time) + " " + TimeText(value.date_time)
                                      : DateText(value.date_time);
    case Value::Kind::Boolean: return value.boolean ? "True" : "False";
    case Value::Kind::Binary: break;
  }
  throw PlatformError("Type mismatch");
}

}  // namespace tallyvane
