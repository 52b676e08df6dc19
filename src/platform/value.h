#pragma once
// A typed value as the database delivers it and as a worksheet cell takes
// it. Shared by the database and spreadsheet interfaces so that a field
// value travels into a cell without conversion.
#include <cstdint>
#include <string>

namespace tallyvane {

struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::uint32_t nanosecond = 0;
  // How many digits of the fraction the database wrote (0 to 9), so that
  // its text keeps them: 12:34:56.780 is not 12:34:56.78 to a reader.
  int fraction_digits = 0;
};

struct Value {
  enum class Kind {
    Null,
    Integer,   // integer
    Number,    // number (floating)
    Decimal,   // text holds the exact decimal digits, number its nearest double
    Text,      // text, UTF-8
    Date,      // date_time, date part only
    Time,      // date_time, time part only
    DateTime,  // date_time, both parts
    Boolean,   // boolean
    Binary,    // text holds the raw bytes
  };

  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double number = 0.0;
  std::string text;
  tallyvane::DateTime date_time;
  bool boolean = false;

  bool IsNull() const { return kind == Kind::Null; }

  static Value MakeNull() { return Value{}; }
  static Value MakeInteger(std::int64_t v);
  static Value MakeNumber(double v);
  static Value MakeDecimal(std::string digits);
  static Value MakeText(std::string utf8);
  static Value MakeDate(int year, int month, int day);
  static Value MakeTime(int hour, int minute, int second, std::uint32_t nanosecond = 0);
  static Value MakeDateTime(const tallyvane::DateTime& dt);
  static Value MakeBoolean(bool v);
  static Value MakeBinary(std::string bytes);
};

}  // namespace tallyvane
