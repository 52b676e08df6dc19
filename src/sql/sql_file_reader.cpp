#include "sql/sql_file_reader.h"

#include <cstdint>

#include "config/read_ini_value.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "sql/text_operations.h"

namespace tallyvane {
namespace {

constexpr long kMaxLinePosition = 32767;

// In place, so that a statement of many lines is not copied once per line.
void TrimSpacesInPlace(std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  text.erase(0, text.find_first_not_of(' '));
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

bool HasText(const SqlStatement& pending) { return pending.text.find_first_not_of(' ') != std::string::npos; }

void HandPending(std::vector<SqlStatement>& statements, SqlStatement& pending) {
  if (!HasText(pending)) return;
  statements.push_back(pending);
  pending.text.clear();
  pending.label.clear();
}

// The line number goes after the reason, so the reason still reads first.
std::string AtLine(const std::string& reason, long line_number) {
  return reason + " (line " + std::to_string(line_number) + ")";
}

void TakeFunctionLine(const std::string& line, long line_number, SqlStatement& pending) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) {
    throw PlatformError(AtLine("The function line \"" + line + "\" has no \"=\"", line_number));
  }
  pending.line = line_number;
  pending.label = line.substr(1, equals - 1);
  pending.fields = line.substr(equals + 1);
}

void AddStatementLine(const std::vector<SqlParameter>& parameters, const std::string& line, SqlStatement& pending) {
  const std::string substituted = SubstituteParameters(parameters, TrimSpaces(line));
  if (!HasText(pending)) {
    pending.text = substituted;
  } else {
    TrimSpacesInPlace(pending.text);
    pending.text += ' ';
    pending.text += substituted;
  }
}

std::string CleanLine(const std::string& text, long line_number) {
  try {
    return StripComment(text);
  } catch (const PlatformError& error) {
    throw PlatformError(AtLine(error.what(), line_number));
  }
}

}  // namespace

SqlFileStatements ReadSqlStatements(const std::vector<std::string>& lines,
                                    const std::vector<SqlParameter>& parameters) {
  SqlFileStatements read;
  SqlStatement pending;
  long line_number = 0;
  try {
    for (const std::string& text : lines) {
      const std::string line = CleanLine(text, ++line_number);
      if (line.empty()) continue;
      if (line[0] == '@') {
        HandPending(read.statements, pending);
        TakeFunctionLine(line, line_number, pending);
      } else {
        if (pending.line == 0) pending.line = line_number;  // text before any function line
        AddStatementLine(parameters, line, pending);
      }
    }
    HandPending(read.statements, pending);
  } catch (const PlatformError& error) {
    read.error = error.what();
  }
  return read;
}

std::string StripComment(const std::string& line) {
  std::int16_t start = 1;
  SkipWhitespace(line, start);
  std::string output;
  long characters = start - 1;  // characters passed so far, for the 16-bit limit
  std::size_t i = static_cast<std::size_t>(start - 1);
  auto take = [&](std::size_t count) {
    for (std::size_t k = 0; k < count; ++k, ++i) {
      if (StartsCharacter(line[i]) && ++characters >= kMaxLinePosition) {
        throw PlatformError("The line is too long: 32,767 or more characters before any comment.");
      }
      output.push_back(line[i]);
    }
  };
  while (i < line.size()) {
    const char c = line[i];
    if (c == '#') break;
    if (!IsQuote(c)) {
      take(1);
      continue;
    }
    take(1);
    while (i < line.size()) {
      if (line[i] != c) {
        take(1);
      } else if (i + 1 < line.size() && line[i + 1] == c) {
        take(2);
      } else {
        take(1);
        break;
      }
    }
  }
  return TrimTrailingWhitespace(output);
}

std::string SubstituteParameters(const std::vector<SqlParameter>& parameters, const std::string& line) {
  std::string output;
  std::size_t position = 0;
  while (position < line.size()) {
    const SqlParameter* match = nullptr;
    for (const SqlParameter& parameter : parameters) {
      if (!parameter.name.empty() && line.compare(position, parameter.name.size(), parameter.name) == 0) {
        match = &parameter;
        break;
      }
    }
    if (match != nullptr) {
      output += match->value;
      position += match->name.size();
    } else {
      output.push_back(line[position++]);
    }
  }
  return TrimTrailingWhitespace(output);
}

}  // namespace tallyvane
