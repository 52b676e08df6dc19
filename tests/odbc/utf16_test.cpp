#include "odbc/utf16.h"

#include <gtest/gtest.h>

namespace tallyvane::odbc {
namespace {

TEST(Utf16Test, RoundTripsAllPlanesAndReplacesInvalidInput) {
  const std::string text =
      "plain, Gr\xC3\xBC\xC3\x9F"
      "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x98\x80";
  OdbcWideString wide = Utf8ToUtf16(text);
  // The emoji takes a surrogate pair.
  EXPECT_EQ(wide.size(), 20u);
  EXPECT_EQ(Utf16ToUtf8(wide.data(), wide.size()), text);

  const SQLWCHAR lone_high[] = {'a', 0xD800, 'b'};
  EXPECT_EQ(Utf16ToUtf8(lone_high, 3),
            "a\xEF\xBF\xBD"
            "b");
  const SQLWCHAR high_at_end[] = {'a', 0xD83D};
  EXPECT_EQ(Utf16ToUtf8(high_at_end, 2), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b\xC3"),
            (OdbcWideString{'a', 0xFFFD, 'b', 0xFFFD}));
  // Bytes from an ANSI driver: UTF-8 stays, anything else was Latin-1.
  EXPECT_EQ(NarrowTextToUtf8(text.data(), text.size()), text);
  EXPECT_EQ(NarrowTextToUtf8("\xEF\xBF\xBD", 3), "\xEF\xBF\xBD");
  EXPECT_EQ(NarrowTextToUtf8("M\xFCller \xC3", 8), "M\xC3\xBCller \xC3\x83");
}

}  // namespace
}  // namespace tallyvane::odbc
