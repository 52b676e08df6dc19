#include "log/run_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "log/count_format.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::TestContext;

// Line breaks inside a message would leave physical lines without a time
// stamp (a server's message often ends in one): they become blanks.
TEST(WriteLog, WritesOneTimeStampedLineEndedByCrLfPerMessage) {
  TempDir dir;
  TestContext t;
  t.context.Time = nullptr;  // the real clock
  t.context.View = &t.view;
  const std::string log = dir.File("run.log");
  t.context.LogStream = t.context.FileSystem->CreateTextFile(log);
  WriteLog(t.context, "first");
  WriteLog(t.context, "two\r\nlines\rand\nmore\n\n");
  // Flushed per line: readable before the stream closes.
  const std::string content = ReadFileBytes(log);
  const std::regex layout(
      R"(\[\d{8} \d{2}:\d{2}:\d{2}\]    first\r\n\[\d{8} \d{2}:\d{2}:\d{2}\]    two lines and more\r\n)");
  EXPECT_TRUE(std::regex_match(content, layout)) << content;
  EXPECT_EQ(t.view.log_info, "first\r\ntwo lines and more\r\n");
}

TEST(FormatLogLine, PadsEveryPiece) {
  EXPECT_EQ(FormatLogLine(DateTime{2004, 3, 7, 14, 5, 0, 0}, "x"), "[20040307 14:05:00]    x");
}

TEST(LogError, WritesTwoLinesAndCountsOneError) {
  TempDir dir;
  TestContext t;
  t.context.View = &t.view;
  t.context.LogStream = t.context.FileSystem->CreateTextFile(dir.File("run.log"));
  LogError(t.context, "where", "info");
  t.context.LogStream->Close();
  EXPECT_EQ(test::LogMessages(dir.File("run.log")),
            (std::vector<std::string>{"Error: where", "Error Info: info"}));
  EXPECT_EQ(t.context.ErrorCount, 1);
  EXPECT_EQ(t.view.boxes[RunViewBox::ErrorCount], "1");
}

TEST(WriteLog, KeepsAtMostEightMessagesInTheView) {
  TempDir dir;
  TestContext t;
  t.context.View = &t.view;
  t.context.LogStream = t.context.FileSystem->CreateTextFile(dir.File("run.log"));
  for (int i = 1; i <= 17; ++i) {
    WriteLog(t.context, "m" + std::to_string(i));
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

TEST(WriteLog, LeavesTheViewAloneWhenUnattended) {
  TempDir dir;
  TestContext t;
  t.context.Interactive = false;
  t.context.View = &t.view;
  t.context.LogStream = t.context.FileSystem->CreateTextFile(dir.File("run.log"));
  LogError(t.context, "where", "info");
  EXPECT_EQ(t.view.log_info, "");
  EXPECT_TRUE(t.view.boxes.empty());
}

TEST(WriteLog, ThrowsWithoutAnOpenLog) {
  TestContext t;
  EXPECT_THROW(WriteLog(t.context, "x"), std::exception);
}

TEST(ShowError, PrefixesTheMessage) {
  TestContext t;
  ShowError(t.context, "boom");
  EXPECT_EQ(t.errors.prompts, std::vector<std::string>{"Error!\r\nError Info: boom"});
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
