#include "odbc/connection_string.h"

#include <gtest/gtest.h>

namespace tallyvane::odbc {
namespace {

TEST(ConnectionStringTest, QuotesOnlyValuesThatNeedIt) {
  struct Case {
    const char* value;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"/var/data/sales.db", "/var/data/sales.db"},
      {"with inner blank", "with inner blank"},
      {"a;b", "{a;b}"},
      {"a=b", "{a=b}"},
      {"a{b", "{a{b}"},
      {"a}b", "{a}}b}"},
      {" lead", "{ lead}"},
      {"trail ", "{trail }"},
      {" se;cr{et}= pw ", "{ se;cr{et}}= pw }"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuoteConnectionValue(c.value), c.expected) << "value: [" << c.value << "]";
  }
}

TEST(ConnectionStringTest, LeavesOutEmptyUserAndPassword) {
  EXPECT_EQ(BuildConnectionString("Sales", "", ""), "DSN=Sales");
  EXPECT_EQ(BuildConnectionString("Sales", "bob", ""), "DSN=Sales;UID=bob");
  EXPECT_EQ(BuildConnectionString("Sales", "bob", "p;w"), "DSN=Sales;UID=bob;PWD={p;w}");
}

}  // namespace
}  // namespace tallyvane::odbc
