#include "sql/sql_file_list.h"

#include <string>

#include "config/read_ini_value.h"
#include "log/count_format.h"
#include "log/run_view.h"
#include "platform/number_text.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "sql/sql_file_reader.h"

namespace tallyvane {
namespace {

std::string ReadSqlFileEntry(const RunContext& context, const std::string& key) {
  return TrimSpaces(ReadIniValue("SQLFILE", key, context.CfgFileName));
}

}  // namespace

std::vector<ListedSqlFile> ListSqlFiles(const RunContext& context) {
  const std::string highest_text = ReadSqlFileEntry(context, "F_MAXNUM");
  int highest = 0;
  try {
    highest = highest_text.empty() ? 0 : ToInt16(highest_text);
  } catch (const PlatformError& error) {
    throw PlatformError(std::string(error.what()) + " (F_MAXNUM is \"" + highest_text + "\")");
  }
  std::vector<ListedSqlFile> files;
  for (int number = 1; number <= highest; ++number) {
    std::string file_name = ReadSqlFileEntry(context, "F" + std::to_string(number));
    if (!file_name.empty()) files.push_back({static_cast<std::int16_t>(number), std::move(file_name)});
  }
  return files;
}

void RunSqlFileList(RunContext& context) {
  for (const ListedSqlFile& file : ListSqlFiles(context)) {
    ++context.SqlFileCount;
    if (context.Interactive && context.View != nullptr) {
      context.View->SetBoxText(RunViewBox::SqlFileCount, FormatCount(context.SqlFileCount));
    }
    RunSqlFile(context, file.number, file.name);
  }
}

}  // namespace tallyvane
