#include "workbook/field_text.h"

#include <cmath>
#include <cstdio>
#include <charconv>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

std::string ShortestDecimal(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
  // The shortest text that reads back as the same number, in every locale.
  char text[64];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, number);
  return std::string(text, result.ptr);
}

std::string DateText(const DateTime& dt) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", dt.year, dt.month, dt.day);
  return text;
}

std::string TimeText(const DateTime& dt) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", dt.hour, dt.minute, dt.second);
  return text;
}

bool HasTime(const DateTime& dt) {
  return dt.hour != 0 || dt.minute != 0 || dt.second != 0 || dt.nanosecond != 0;
}

}  // namespace

std::string FieldValueText(const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null: throw PlatformError("Invalid use of Null");
    case Value::Kind::Integer: return std::to_string(value.integer);
    case Value::Kind::Number: return ShortestDecimal(value.number);
    case Value::Kind::Decimal: return value.text;
    case Value::Kind::Text: return value.text;
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
