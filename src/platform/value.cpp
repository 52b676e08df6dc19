#include "platform/value.h"

#include <charconv>
#include <utility>

namespace tallyvane {

Value Value::MakeInteger(std::int64_t v) {
  Value r;
  r.kind = Kind::Integer;
  r.integer = v;
  r.number = static_cast<double>(v);
  return r;
}

Value Value::MakeNumber(double v) {
  Value r;
  r.kind = Kind::Number;
  r.number = v;
  return r;
}

Value Value::MakeDecimal(std::string digits) {
  Value r;
  r.kind = Kind::Decimal;
  // Not strtod: the toolkit sets the user's locale, whose decimal mark may be a comma.
  const char* begin = digits.data();
  if (!digits.empty() && digits[0] == '+') ++begin;
  std::from_chars(begin, digits.data() + digits.size(), r.number);
  r.text = std::move(digits);
  return r;
}

Value Value::MakeText(std::string utf8) {
  Value r;
  r.kind = Kind::Text;
  r.text = std::move(utf8);
  return r;
}

Value Value::MakeDate(int year, int month, int day) {
  Value r;
  r.kind = Kind::Date;
  r.date_time.year = year;
  r.date_time.month = month;
  r.date_time.day = day;
  return r;
}

Value Value::MakeTime(int hour, int minute, int second, std::uint32_t nanosecond) {
  Value r;
  r.kind = Kind::Time;
  r.date_time.hour = hour;
  r.date_time.minute = minute;
  r.date_time.second = second;
  r.date_time.nanosecond = nanosecond;
  return r;
}

Value Value::MakeDateTime(const tallyvane::DateTime& dt) {
  Value r;
  r.kind = Kind::DateTime;
  r.date_time = dt;
  return r;
}

Value Value::MakeBoolean(bool v) {
  Value r;
  r.kind = Kind::Boolean;
  r.boolean = v;
  return r;
}

Value Value::MakeBinary(std::string bytes) {
  Value r;
  r.kind = Kind::Binary;
  r.text = std::move(bytes);
  return r;
}

}  // namespace tallyvane
