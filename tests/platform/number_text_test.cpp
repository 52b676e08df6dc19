#include "platform/number_text.h"

#include <gtest/gtest.h>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

std::string ErrorOf(const std::string& text) {
  try {
    ToInt16(text);
    return "";
  } catch (const PlatformError& error) {
    return error.what();
  }
}

TEST(ToInt16, RoundsHalvesToEvenAndGuardsTheRange) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"0", 0},           {" 12 ", 12},         {"\t+7", 7},   {"-3", -3}, {"2.5", 2},       {"3.5", 4},
      {"-2.5", -2},       {"0.4999", 0},        {".5", 0},     {"1.", 1},  {"32767", 32767}, {"-32768", -32768},
      {"32767.4", 32767}, {"-32768.5", -32768}, {"00042", 42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ToInt16(c.text), c.expected);
  }
  for (const char* text : {"32768", "32767.5", "-32769", "-32768.6"}) {
    EXPECT_EQ(ErrorOf(text), "Overflow") << text;
  }
  for (const char* text : {"", " ", "A", "1,5", "1 2", "--1", "+", ".", "0x10", "1e3", "\xD9\xA1"}) {
    EXPECT_EQ(ErrorOf(text), "Type mismatch") << text;
  }
}

TEST(CheckedAdd16, RefusesASumOutsideTheRange) {
  EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
  EXPECT_EQ(CheckedAdd16(-32767, -1), -32768);
  EXPECT_THROW(CheckedAdd16(32767, 1), PlatformError);
  EXPECT_THROW(CheckedAdd16(-32768, -1), PlatformError);
}

}  // namespace
}  // namespace tallyvane
