#include "sql/sql_file_list.h"

#include <string>

#include "app/run_context.h"
#include "config/read_ini_value.h"
#include "log/count_format.h"
#include "log/run_view.h"
#include "platform/number_text.h"
#include "sql/sql_file_reader.h"

namespace tallyvane {
namespace {

std::string ReadSqlFileEntry(const RunContext& context, const std::string& key) {
  return TrimSpaces(ReadIniValue("SQLFILE", key, context.CfgFileName));
}

}  // namespace

void RunSqlFileList(RunContext& context) {
  const std::string highest_text = ReadSqlFileEntry(context, "F_MAXNUM");
  const int highest = highest_text.empty() ? 0 : ToInt16(highest_text);
  for (int number = 1; number <= highest; ++number) {
    const std::string file_name = ReadSqlFileEntry(context, "F" + std::to_string(number));
    if (file_name.empty()) continue;
    ++context.SqlFileCount;
    if (context.Interactive && context.View != nullptr) {
      context.View->SetBoxText(RunViewBox::SqlFileCount, FormatCount(context.SqlFileCount));
    }
    RunSqlFile(context, static_cast<std::int16_t>(number), file_name);
  }
}

}  // namespace tallyvane
