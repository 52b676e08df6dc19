#include "log/run_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "log/count_format.h"
#include "log/terminal_text.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

class RunLogTest : public ::testing::Test {
 protected:
  RunLogTest() {
    t.context.wiring.View = &t.view;
    t.context.session.LogStream = t.context.wiring.FileSystem->CreateTextFile(log);
  }
  test::TempDir dir;
  test::TestContext t;
  const std::string log = dir.File("run.log");
};

// Line breaks inside a message would leave physical lines without a time
// stamp (a server's message often ends in one): they become blanks.
TEST_F(RunLogTest, WritesOneTimeStampedLineEndedByCrLfPerMessage) {
  t.context.wiring.Time = nullptr;  // the real clock
  WriteLog(LogOf(t.context), "first");
  WriteLog(LogOf(t.context), "two\r\nlines\rand\nmore\n\n");
  // Flushed per line: readable before the stream closes.
  const std::string content = test::ReadFileBytes(log);
  const std::regex layout(
      R"(\[\d{8} \d{2}:\d{2}:\d{2}\]    first\r\n\[\d{8} \d{2}:\d{2}:\d{2}\]    two lines and more\r\n)");
  EXPECT_TRUE(std::regex_match(content, layout)) << content;
  EXPECT_EQ(t.view.log_info, "first\r\ntwo lines and more\r\n");
  EXPECT_EQ(FormatLogLine(DateTime{2004, 3, 7, 14, 5, 0, 0}, "x"), "[20040307 14:05:00]    x");
}

// Writing without an open log throws; the error box puts "Error!" first.
TEST_F(RunLogTest, LogErrorWritesTwoLinesAndCountsOneErrorInTheViewOnlyWhenAttended) {
  for (bool interactive : {true, false}) {
    test::TestContext fresh;
    fresh.context.Interactive = interactive;
    fresh.context.wiring.View = &fresh.view;
    fresh.context.session.LogStream = fresh.context.wiring.FileSystem->CreateTextFile(log);
    LogError(LogOf(fresh.context), "where", "info");
    fresh.context.session.LogStream->Close();
    EXPECT_EQ(test::LogMessages(log), (std::vector<std::string>{"Error: where", "Error Info: info"}));
    EXPECT_EQ(fresh.context.counters.ErrorCount, 1);
    EXPECT_EQ(fresh.view.boxes.empty(), !interactive);
    EXPECT_EQ(fresh.view.boxes[RunViewBox::ErrorCount], interactive ? "1" : "");
    EXPECT_EQ(fresh.view.log_info, interactive ? "Error: where\r\nError Info: info\r\n" : "");
  }
  test::TestContext closed;
  EXPECT_THROW(WriteLog(LogOf(closed.context), "x"), std::exception);
  ShowError(closed.context.wiring, "boom");
  EXPECT_EQ(closed.errors.prompts, std::vector<std::string>{"Error!\r\nError Info: boom"});
}

TEST_F(RunLogTest, KeepsAtMostEightMessagesInTheView) {
  for (int i = 1; i <= 17; ++i) {
    WriteLog(LogOf(t.context), "m" + std::to_string(i));
    if (i == 8) {
      EXPECT_EQ(t.view.log_info, "m1\r\nm2\r\nm3\r\nm4\r\nm5\r\nm6\r\nm7\r\nm8\r\n");
    }
    if (i == 9) {
      EXPECT_EQ(t.view.log_info, "m9\r\n");
    }
  }
  EXPECT_EQ(t.view.log_info, "m17\r\n");
  EXPECT_EQ(t.view.clears, 3);
}

// Only a file whose first line has the stamp's form is an earlier log.
TEST(IsLogLine, KnowsTheStampOfItsOwnLines) {
  EXPECT_TRUE(IsLogLine(FormatLogLine(DateTime{2004, 10, 7, 9, 5, 0, 0}, "Tallyvane 1.4.0")));
  for (const char* line : {"", "SQLite format 3", "[ODBC Data Sources]", "[20041007 09:05:00]   x",
                           "[2004107 09:05:00]    x", "[20041007 09-05-00]    x"}) {
    EXPECT_FALSE(IsLogLine(line)) << line;
  }
}

// A server's message must not retitle or clear the operator's terminal.
TEST(EscapeControlCharacters, ShowsEveryControlButLineFeedAndTab) {
  EXPECT_EQ(EscapeControlCharacters("a\x1b]0;x\x07\x1b[2J\tb\r\n\x7f \xC2\x9B Z\xC3\xBCrich"),
            "a\\x1B]0;x\\x07\\x1B[2J\tb\\x0D\n\\x7F \\xC2\\x9B Z\xC3\xBCrich");
}

TEST(FormatCount, GroupsThousands) {
  EXPECT_EQ(FormatCountWithZero(0), "0");
  EXPECT_EQ(FormatCount(0), "");
  EXPECT_EQ(FormatCount(999), "999");
  EXPECT_EQ(FormatCount(1000), "1,000");
  EXPECT_EQ(FormatCount(1234567), "1,234,567");
  EXPECT_EQ(FormatCount(32768), "32,768");
}

}  // namespace
}  // namespace tallyvane
