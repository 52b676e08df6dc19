#include "config/file_name_macros.h"

#include <gtest/gtest.h>

namespace tallyvane {
namespace {

TEST(ExpandFileNameMacros, ReplacesEveryMacroWithTheOneMoment) {
  const DateTime moment{2004, 3, 7, 9, 5, 2, 0};
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"run_&Y&M&D.log", "run_20040307.log"},
      {"run_&y&m&d.log", "run_20040307.log"},
      {"&H&N&S", "090502"},
      {"a&&Yb", "aYb"},
      {"report&", "report"},
      {"a&xb", "ab"},
      {"a&\xC3\xA9z", "az"},
      {"no macros", "no macros"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandFileNameMacros(c.text, moment), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace tallyvane
