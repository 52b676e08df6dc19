#include "app/command_line.h"

#include "platform/plain_text.h"
#include "run/run_context.h"
#include "sql/text_operations.h"

namespace tallyvane {
namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

void SkipBlanks(const std::string& text, std::size_t& position) {
  while (position <= text.size() && IsWhitespace(text[position - 1])) ++position;
}

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void AddPlainValue(RunContext& context, const std::string& value) {
  if (context.parameters.CmdValueCount >= kMaxCmdValues) return;
  context.parameters.CmdValues[context.parameters.CmdValueCount++] = value;
}

bool NeedsQuotes(const std::string& argument) {
  if (argument.empty()) return true;
  for (char c : argument) {
    if (IsWhitespace(c) || IsQuote(c)) return true;
  }
  return false;
}

}  // namespace

std::string NextCommandToken(const std::string& text, std::size_t& position) {
  SkipBlanks(text, position);
  std::string token;
  while (position <= text.size()) {
    const char c = text[position - 1];
    if (IsWhitespace(c)) break;
    if (!IsQuote(c)) {
      token.push_back(c);
      ++position;
      continue;
    }
    // A quoted section: blanks inside belong to the token; a doubled quote
    // stays doubled.
    ++position;
    while (position <= text.size()) {
      const char inner = text[position - 1];
      if (inner != c) {
        token.push_back(inner);
        ++position;
      } else if (position < text.size() && text[position] == c) {
        token.push_back(c);
        token.push_back(c);
        position += 2;
      } else {
        break;
      }
    }
    ++position;
  }
  return token;
}

void ReadCommandLine(RunContext& context, const std::string& text) {
  std::size_t position = 1;
  while (true) {
    SkipBlanks(text, position);
    if (position > text.size()) break;
    const std::string token = NextCommandToken(text, position);
    if (token.empty() || token[0] != '-') {
      AddPlainValue(context, token);
      continue;
    }
    const std::string upper = UpperCase(token);
    if (upper == "-F") {
      context.settings.CfgFileName = NextCommandToken(text, position);
    } else if (upper == "-C") {
      context.Interactive = false;
    } else {
      AddPlainValue(context, token);
    }
  }
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) {
    if (!text.empty()) text.push_back(' ');
    if (!NeedsQuotes(argument)) {
      text += argument;
      continue;
    }
    // A quote character cannot stand inside a section that it opened, so a
    // quote switches to a new section opened by the other quote character.
    char quote = '"';
    text.push_back(quote);
    for (char c : argument) {
      if (c == quote) {
        text.push_back(quote);
        quote = quote == '"' ? '\'' : '"';
        text.push_back(quote);
      }
      text.push_back(c);
    }
    text.push_back(quote);
  }
  return text;
}

}  // namespace tallyvane
