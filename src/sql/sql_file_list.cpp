#include "sql/sql_file_list.h"

#include <exception>
#include <memory>
#include <string>

#include "config/read_ini_value.h"
#include "log/count_format.h"
#include "log/run_log.h"
#include "log/run_view.h"
#include "platform/number_text.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "platform/text_code_page.h"
#include "run/run_context.h"
#include "sql/sql_file_reader.h"
#include "sql/statement_dispatch.h"

namespace tallyvane {
namespace {

// Enough of a line to decide everything about it: whatever lies beyond
// the longest cleanable part is either comment or makes the line fail.
constexpr std::size_t kLineBytesKept = 4 * 32768;

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

std::string ReadSqlFileEntry(const std::string& cfg_file_name, const std::string& key) {
  return TrimSpaces(ReadIniValue("SQLFILE", key, cfg_file_name));
}

}  // namespace

std::vector<std::string> ReadSqlFileLines(FileSystem& file_system, const std::string& file_name,
                                          const std::string& code_page_name) {
  std::unique_ptr<TextStream> stream = file_system.OpenTextFile(file_name);
  const std::string file = "The file \"" + file_name + "\"";
  std::vector<std::string> lines;
  if (stream->AtEndOfStream()) return lines;
  std::string first = stream->ReadLine(kLineBytesKept);
  const ByteOrderMark mark = ByteOrderMarkOf(first);
  if (mark == ByteOrderMark::Utf16) throw PlatformError(Utf16TextMessage(file));
  if (mark == ByteOrderMark::Utf8) first.erase(0, kUtf8MarkLength);
  const TextDecoder code_page(mark == ByteOrderMark::Utf8 ? std::string() : code_page_name);
  lines.push_back(DecodedLine(code_page, first, file, 1));
  while (!stream->AtEndOfStream()) {
    lines.push_back(DecodedLine(code_page, stream->ReadLine(kLineBytesKept), file, lines.size() + 1));
  }
  stream->Close();
  return lines;
}

std::vector<SqlParameter> SqlParametersOf(const RunParameters& parameters) {
  std::vector<SqlParameter> named;
  for (int p = 0; p < parameters.ParameterCount; ++p) {
    named.push_back({parameters.Parameters[p].Name, parameters.Parameters[p].Value});
  }
  return named;
}

void RunSqlFile(RunContext& context, std::int16_t file_number, const std::string& file_name) {
  const RunLog log = LogOf(context);
  const std::string quoted_name = Quoted(file_name);
  context.session.SqlTag = SqlFileTag(file_number);
  if (!context.wiring.FileSystem->FileExists(file_name)) {
    LogError(log, "The information in the configuration file is incorrect.",
             SqlFileTag(file_number) + " " + quoted_name + " does not exist.");
  } else {
    WriteLog(log, SqlFileTag(file_number) + "  Open " + quoted_name + " succesfully.");
    try {
      const SqlFileStatements read =
          ReadSqlStatements(ReadSqlFileLines(*context.wiring.FileSystem, file_name, context.settings.CodePage),
                            SqlParametersOf(context.parameters));
      for (const SqlStatement& statement : read.statements) {
        DispatchStatement(log, context.session, file_number, statement.label, statement.fields, statement.text);
      }
      if (!read.error.empty()) throw PlatformError(read.error);
    } catch (const std::exception& error) {
      LogError(log, "Failed to read " + SqlFileTag(file_number) + " " + quoted_name + ".", error.what());
    }
  }
  context.session.SqlTag.clear();
}

std::vector<ListedSqlFile> ListSqlFiles(const std::string& cfg_file_name) {
  const std::string highest_text = ReadSqlFileEntry(cfg_file_name, "F_MAXNUM");
  int highest = 0;
  try {
    highest = highest_text.empty() ? 0 : ToInt16(highest_text);
  } catch (const PlatformError& error) {
    throw PlatformError(std::string(error.what()) + " (F_MAXNUM is \"" + highest_text + "\")");
  }
  std::vector<ListedSqlFile> files;
  for (int number = 1; number <= highest; ++number) {
    std::string file_name = ReadSqlFileEntry(cfg_file_name, "F" + std::to_string(number));
    if (!file_name.empty()) files.push_back({static_cast<std::int16_t>(number), std::move(file_name)});
  }
  return files;
}

void RunSqlFileList(RunContext& context) {
  for (const ListedSqlFile& file : ListSqlFiles(context.settings.CfgFileName)) {
    ++context.counters.SqlFileCount;
    if (context.Interactive && context.wiring.View != nullptr) {
      context.wiring.View->SetBoxText(RunViewBox::SqlFileCount, FormatCount(context.counters.SqlFileCount));
    }
    RunSqlFile(context, file.number, file.name);
  }
}

}  // namespace tallyvane
