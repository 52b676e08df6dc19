#include "workbook/cell_value.h"

#include <gtest/gtest.h>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

// Whole numbers stay numbers exactly as far as a double holds every one of
// them, 2^53 either way; beyond, the exact digits are kept as text.
TEST(CellValueOf, KeepsEveryDigitOfWholeNumbersBeyondWhatADoubleHolds) {
  struct Case {
    Value field;
    Value::Kind kind;
    const char* text;  // the text cell's digits, where the cell is text
  } cases[] = {
      {Value::MakeInteger(9007199254740992LL), Value::Kind::Integer, ""},
      {Value::MakeInteger(-9007199254740992LL), Value::Kind::Integer, ""},
      {Value::MakeInteger(9007199254740993LL), Value::Kind::Text, "9007199254740993"},
      {Value::MakeInteger(-9007199254740993LL), Value::Kind::Text, "-9007199254740993"},
      {Value::MakeDecimal("9007199254740992"), Value::Kind::Decimal, ""},
      {Value::MakeDecimal("-0009007199254740992"), Value::Kind::Decimal, ""},
      {Value::MakeDecimal("9007199254740993"), Value::Kind::Text, "9007199254740993"},
      {Value::MakeDecimal("+18446744073709551615"), Value::Kind::Text, "18446744073709551615"},
      {Value::MakeDecimal("12345678901234567890.5"), Value::Kind::Decimal, ""},
      {Value::MakeNull(), Value::Kind::Text, ""},
  };
  for (const Case& c : cases) {
    const Value cell = CellValueOf(c.field, 1, "n");
    EXPECT_EQ(cell.kind, c.kind) << c.field.text << " " << c.field.integer;
    if (c.kind == Value::Kind::Text) {
      EXPECT_EQ(cell.text, c.text);
    }
  }
  try {
    CellValueOf(Value::MakeBinary("\x01\x02"), 2, "raw");
    ADD_FAILURE() << "binary data written";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.what(), "Type mismatch (column 2 \"raw\" holds binary data)");
  }
}

}  // namespace
}  // namespace tallyvane
