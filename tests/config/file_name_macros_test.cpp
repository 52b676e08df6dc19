#include "config/file_name_macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// An "&" pairs with the character after it as the expansion does, so "&&T"
// is deliberate; only letters count as meant for a macro.
TEST(MistypedFileNameMacros, NamesEachLetterThatIsNoMacroOnce) {
  const struct {
    const char* text;
    std::vector<std::string> mistyped;
  } cases[] = {
      {"nightly_%Y%m%d.xlsx", {"%Y", "%m", "%d"}},
      {"day_&T_&t_&T.xlsx", {"&T", "&t"}},
      {"run_&Y&m&d_&H&N&S.log", {}},
      {"a&&Tb && 5&1 &_ 100%.log &", {}},
      {"%%Y", {"%Y"}},
      {"&%Y", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MistypedFileNameMacros(c.text), c.mistyped) << c.text;
  }
}

}  // namespace
}  // namespace tallyvane
