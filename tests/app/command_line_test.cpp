#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/run_context.h"

namespace tallyvane {
namespace {

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::size_t position = 1;
  while (text.find_first_not_of(" \t\r\n", position - 1) != std::string::npos) {
    tokens.push_back(NextCommandToken(text, position));
  }
  return tokens;
}

struct TokenCase {
  std::string text;
  std::vector<std::string> tokens;
};

TEST(NextCommandToken, SplitsAtBlanksAndJoinsQuotedSections) {
  const TokenCase cases[] = {
      {"a b", {"a", "b"}},
      {" \t a\r\nb  ", {"a", "b"}},
      {"ab\"c d\"e", {"abc de"}},
      {"\"\"", {""}},
      {"'a''b'", {"a''b"}},
      {"\"abc", {"abc"}},
      {"\"it's\" x", {"it's", "x"}},
      {"'say \"hi\"'", {"say \"hi\""}},
      {"\"C:\\My Reports\\month.ini\"", {"C:\\My Reports\\month.ini"}},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
  }
}

struct CommandCase {
  std::string text;
  bool interactive;
  std::string cfg_file;
  std::vector<std::string> values;
};

TEST(ReadCommandLine, AppliesSwitchesAndKeepsTenValues) {
  const CommandCase cases[] = {
      {"", true, "", {}},
      {"-F \"C:\\My Reports\\month.ini\" -C", false, "C:\\My Reports\\month.ini", {}},
      {"-c -f month.ini 2004 10", false, "month.ini", {"2004", "10"}},
      {"2004 -C 10", false, "", {"2004", "10"}},
      {"-F", true, "", {}},
      {"-F   ", true, "", {}},
      {"-F -C", true, "-C", {}},
      {"-X 5", true, "", {"-X", "5"}},
      {"- x", true, "", {"-", "x"}},
      {"-x", true, "", {"-x"}},
      {"\"\"", true, "", {""}},
      {"-F a.ini -F b.ini", true, "b.ini", {}},
      {"1 2 3 4 5 6 7 8 9 10 11 12", true, "", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
      {"a   ", true, "", {"a"}},
  };
  for (const CommandCase& c : cases) {
    RunContext context;
    ReadCommandLine(context, c.text);
    EXPECT_EQ(context.Interactive, c.interactive) << c.text;
    EXPECT_EQ(context.settings.CfgFileName, c.cfg_file) << c.text;
    std::vector<std::string> values(context.parameters.CmdValues.begin(),
                                    context.parameters.CmdValues.begin() + context.parameters.CmdValueCount);
    EXPECT_EQ(values, c.values) << c.text;
  }
}

TEST(JoinArguments, SplitsBackIntoTheSameArguments) {
  const std::vector<std::vector<std::string>> cases = {
      {"-F", "/tmp/My Reports/month.ini", "-C", "2004", "10"},
      {""},
      {"a\"b", "c'd", "\"'\"'", "tab\there", "line\nbreak"},
      {"''", "\"\"", "x\"\"y"},
  };
  for (const auto& arguments : cases) {
    EXPECT_EQ(Tokens(JoinArguments(arguments)), arguments) << JoinArguments(arguments);
  }
}

}  // namespace
}  // namespace tallyvane
