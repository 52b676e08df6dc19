#include "sql/sql_file_reader.h"

#include <exception>
#include <memory>
#include <vector>

#include "config/read_ini_value.h"
#include "log/run_log.h"
#include "platform/platform_error.h"
#include "platform/text_code_page.h"
#include "run/run_context.h"
#include "sql/statement_dispatch.h"
#include "sql/text_operations.h"

namespace tallyvane {
namespace {

constexpr long kMaxLinePosition = 32767;
// Enough of a line to decide everything about it: whatever lies beyond
// the longest cleanable part is either comment or makes the line fail.
constexpr std::size_t kLineBytesKept = 4 * 32768;

std::string FilePrefix(std::int16_t file_number) { return "[SQLFILE" + std::to_string(file_number) + "]"; }

// In place, so that a statement of many lines is not copied once per line.
void TrimSpacesInPlace(std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  text.erase(0, text.find_first_not_of(' '));
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

bool HasText(const SqlStatement& pending) { return pending.text.find_first_not_of(' ') != std::string::npos; }

void HandPending(const SqlStatementHandler& handler, SqlStatement& pending) {
  if (!HasText(pending)) return;
  handler(pending);
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

void AddStatementLine(const RunContext& context, const std::string& line, SqlStatement& pending) {
  const std::string substituted = SubstituteParameters(context, TrimSpaces(line));
  if (!HasText(pending)) {
    pending.text = substituted;
  } else {
    TrimSpacesInPlace(pending.text);
    pending.text += ' ';
    pending.text += substituted;
  }
}

// One line as UTF-8; a line cut at the limit may end inside a character.
std::string DecodedLine(const TextDecoder& code_page, const std::string& bytes, const std::string& file,
                        std::size_t line_number) {
  std::string line;
  bool valid = code_page.Decode(bytes, &line);
  for (int cut = 1; !valid && bytes.size() == kLineBytesKept && cut < 4; ++cut) {
    valid = code_page.Decode(bytes.substr(0, bytes.size() - cut), &line);
  }
  if (!valid) throw PlatformError(NotValidTextMessage(file, static_cast<long>(line_number), code_page.Name()));
  return line;
}

// The file's lines as UTF-8, all read before any statement runs: a file
// that is not valid text in its code page runs none of them garbled. A
// UTF-8 byte-order mark says UTF-8 whatever the configuration's code page,
// and is no part of the first line.
std::vector<std::string> DecodedLines(const RunContext& context, const std::string& file_name) {
  std::unique_ptr<TextStream> stream = context.FileSystem->OpenTextFile(file_name);
  const std::string file = "The file \"" + file_name + "\"";
  std::vector<std::string> lines;
  if (stream->AtEndOfStream()) return lines;
  std::string first = stream->ReadLine(kLineBytesKept);
  const ByteOrderMark mark = ByteOrderMarkOf(first);
  if (mark == ByteOrderMark::Utf16) throw PlatformError(Utf16TextMessage(file));
  if (mark == ByteOrderMark::Utf8) first.erase(0, kUtf8MarkLength);
  const TextDecoder code_page(mark == ByteOrderMark::Utf8 ? std::string() : context.CodePage);
  lines.push_back(DecodedLine(code_page, first, file, 1));
  while (!stream->AtEndOfStream()) {
    lines.push_back(DecodedLine(code_page, stream->ReadLine(kLineBytesKept), file, lines.size() + 1));
  }
  stream->Close();
  return lines;
}

std::string CleanLine(const std::string& text, long line_number) {
  try {
    return StripComment(text);
  } catch (const PlatformError& error) {
    throw PlatformError(AtLine(error.what(), line_number));
  }
}

}  // namespace

void ReadSqlStatements(const RunContext& context, const std::string& file_name, const SqlStatementHandler& handler) {
  SqlStatement pending;
  long line_number = 0;
  for (const std::string& text : DecodedLines(context, file_name)) {
    const std::string line = CleanLine(text, ++line_number);
    if (line.empty()) continue;
    if (line[0] == '@') {
      HandPending(handler, pending);
      TakeFunctionLine(line, line_number, pending);
    } else {
      if (pending.line == 0) pending.line = line_number;  // text before any function line
      AddStatementLine(context, line, pending);
    }
  }
  HandPending(handler, pending);
}

void RunSqlFile(RunContext& context, std::int16_t file_number, const std::string& file_name) {
  const std::string quoted_name = "\"" + file_name + "\"";
  context.SqlTag = FilePrefix(file_number);
  if (!context.FileSystem->FileExists(file_name)) {
    LogError(context, "The information in the configuration file is incorrect.",
             FilePrefix(file_number) + " " + quoted_name + " does not exist.");
  } else {
    WriteLog(context, FilePrefix(file_number) + "  Open " + quoted_name + " succesfully.");
    try {
      ReadSqlStatements(context, file_name, [&](const SqlStatement& statement) {
        DispatchStatement(context, file_number, statement.label, statement.fields, statement.text);
      });
    } catch (const std::exception& error) {
      LogError(context, "Failed to read " + FilePrefix(file_number) + " " + quoted_name + ".", error.what());
    }
  }
  context.SqlTag.clear();
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

std::string SubstituteParameters(const RunContext& context, const std::string& line) {
  std::string output;
  std::size_t position = 0;
  while (position < line.size()) {
    const RunParameter* match = nullptr;
    for (int p = 0; p < context.ParameterCount; ++p) {
      const RunParameter& parameter = context.Parameters[p];
      if (!parameter.Name.empty() && line.compare(position, parameter.Name.size(), parameter.Name) == 0) {
        match = &parameter;
        break;
      }
    }
    if (match != nullptr) {
      output += match->Value;
      position += match->Name.size();
    } else {
      output.push_back(line[position++]);
    }
  }
  return TrimTrailingWhitespace(output);
}

}  // namespace tallyvane
