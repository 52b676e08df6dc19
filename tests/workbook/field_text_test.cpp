#include "workbook/field_text.h"

#include <gtest/gtest.h>

namespace tallyvane {
namespace {

TEST(FieldValueText, NumbersArePlainDecimalsWithFifteenDigitsInsideTheUsualRange) {
  const struct {
    double number;
    const char* text;
  } cases[] = {
      {2000000, "2000000"},
      {0.0001, "0.0001"},
      {-300000, "-300000"},
      {1e14, "100000000000000"},
      {1.0 / 3, "0.333333333333333"},
      {0.00001, "0.00001"},
      {2.5, "2.5"},
      {0, "0"},
      {-0.1, "-0.1"},
      {1e15, "1E+15"},
      {0.000001, "1E-06"},
      {-1.5e-7, "-1.5E-07"},
      {999999999999999.9, "1E+15"},
      {1.23456789012345678e20, "1.23456789012346E+20"},
      {1e100, "1E+100"},
      {123456789.123456789, "123456789.123457"},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValueText(Value::MakeNumber(c.number)), c.text) << c.number;
}

// A fraction of a second keeps the digits the database wrote; where it did
// not say, as many as the fraction needs.
TEST(FieldValueText, TimesKeepTheirFractionInTheDatabasesDigits) {
  const struct {
    Value value;
    const char* text;
  } cases[] = {
      {Value::MakeTime(12, 34, 56), "12:34:56"},
      {Value::MakeTime(12, 34, 56, 789000000), "12:34:56.789"},
      {Value::MakeDateTime(DateTime{2024, 6, 1, 12, 34, 56, 780000000, 6}), "2024-06-01 12:34:56.780000"},
      {Value::MakeDateTime(DateTime{2024, 6, 1, 0, 0, 0, 500000000, 1}), "2024-06-01 00:00:00.5"},
      {Value::MakeDateTime(DateTime{2024, 6, 1, 0, 0, 0, 0, 3}), "2024-06-01"},
      {Value::MakeDateTime(DateTime{2024, 6, 1, 0, 0, 0, 1, 0}), "2024-06-01 00:00:00.000000001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValueText(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace tallyvane
