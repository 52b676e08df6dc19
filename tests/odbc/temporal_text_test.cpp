#include "odbc/temporal_text.h"

#include <gtest/gtest.h>

namespace tallyvane::odbc {
namespace {

TEST(TemporalTextTest, EnginesTextsParseAndAnythingElseIsRefused) {
  using K = Value::Kind;
  const struct {
    K kind;
    const char* text;
    bool valid;
    DateTime expected;
  } cases[] = {
      {K::Date, "2024-02-29", true, {2024, 2, 29, 0, 0, 0, 0, 0}},
      {K::Date, "2024-02-29 13:45:30", true, {2024, 2, 29, 0, 0, 0, 0, 0}},
      {K::Time, "12:34:56.789", true, {0, 0, 0, 12, 34, 56, 789000000, 3}},
      {K::Time, "7:05:00", true, {0, 0, 0, 7, 5, 0, 0, 0}},
      {K::Time, "2024-06-01 12:34:56.5", true, {0, 0, 0, 12, 34, 56, 500000000, 1}},
      {K::DateTime, "2024-06-01 12:34:56.789123", true, {2024, 6, 1, 12, 34, 56, 789123000, 6}},
      {K::DateTime, "2024-06-01T08:00:00Z", true, {2024, 6, 1, 8, 0, 0, 0, 0}},
      {K::DateTime, "2024-06-01 08:00:00.1234567891+05:30", true, {2024, 6, 1, 8, 0, 0, 123456789, 9}},
      {K::DateTime, "2024-06-01", true, {2024, 6, 1, 0, 0, 0, 0, 0}},
      {K::DateTime, "10000-01-01 00:00:00", true, {10000, 1, 1, 0, 0, 0, 0, 0}},
      // psqlODBC's text of the year 10000; MariaDB's zero date and times
      // outside a day; a day that does not exist; words.
      {K::Date, "1000-00-00", false, {}},
      {K::DateTime, "0000-00-00 00:00:00", false, {}},
      {K::Time, "838:59:59", false, {}},
      {K::Time, "-01:00:00", false, {}},
      {K::Time, "24:00:00", false, {}},
      {K::Date, "2023-02-29", false, {}},
      {K::Date, "infinity", false, {}},
      {K::DateTime, "2024-06-01 12:34", true, {2024, 6, 1, 12, 34, 0, 0, 0}},
      {K::DateTime, "2024-06-01 12:34:", false, {}},
      {K::Time, "12:3", false, {}},
      {K::Time, "2024-06-01", false, {}},
      {K::Date, "12:00:00", false, {}},
      {K::DateTime, "2024-06-01 12:00:00 BC", false, {}},
  };
  for (const auto& c : cases) {
    DateTime parsed;
    EXPECT_EQ(ParseTemporalText(c.kind, c.text, &parsed), c.valid) << c.text;
    if (!c.valid) continue;
    const DateTime& e = c.expected;
    EXPECT_EQ(std::vector<long>({parsed.year, parsed.month, parsed.day, parsed.hour, parsed.minute, parsed.second,
                                 parsed.nanosecond, parsed.fraction_digits}),
              std::vector<long>({e.year, e.month, e.day, e.hour, e.minute, e.second, e.nanosecond, e.fraction_digits}))
        << c.text;
  }
}

}  // namespace
}  // namespace tallyvane::odbc
