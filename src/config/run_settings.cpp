#include "config/run_settings.h"

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/program_info.h"
#include "app/run_context.h"
#include "config/file_name_macros.h"
#include "config/read_ini_value.h"
#include "log/run_log.h"
#include "platform/number_text.h"
#include "platform/private_profile.h"
#include "platform/text_code_page.h"

namespace tallyvane {
namespace {

const char* const kIncorrectConfiguration = "The information in the configuration file is incorrect.";

std::string ReadSetting(const RunContext& context, const char* section, const char* key) {
  return TrimSpaces(ReadIniValue(section, key, context.CfgFileName));
}

// A failing log line does not stop the settings from being read.
void TryWriteLog(RunContext& context, const std::string& text) {
  try {
    WriteLog(context, text);
  } catch (const std::exception&) {
  }
}

void TryLogError(RunContext& context, const std::string& info) {
  try {
    LogError(context, kIncorrectConfiguration, info);
  } catch (const std::exception&) {
  }
}

// The files of the run that the log must never overwrite, each with what
// it is.
std::vector<std::pair<std::string, std::string>> RunFiles(RunContext& context) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"configuration file", context.CfgFileName},
      {"template file", ReadSetting(context, "FILE", "ReportTemplateFileName")},
      {"report file", ExpandFileNameMacros(context, ReadSetting(context, "FILE", "ReportFileName"))},
  };
  int highest = 0;
  try {
    highest = ToInt16(ReadSetting(context, "SQLFILE", "F_MAXNUM"));
  } catch (const std::exception&) {
  }
  for (int number = 1; number <= highest; ++number) {
    files.emplace_back("SQL file", ReadSetting(context, "SQLFILE", ("F" + std::to_string(number)).c_str()));
  }
  return files;
}

// A log over the template, the configuration, an SQL file or the report
// would destroy it before the run could notice; nothing is created then.
bool RefuseLogOverRunFiles(RunContext& context) {
  if (context.LogFileName.empty()) return false;
  for (const auto& [what, name] : RunFiles(context)) {
    if (name.empty() || !context.FileSystem->IsSameFile(context.LogFileName, name)) continue;
    ShowError(context, "The log file \"" + context.LogFileName + "\" is the " + what + " \"" + name +
                           "\"; choose another LogFileName.");
    return true;
  }
  return false;
}

bool CreateRunLog(RunContext& context) {
  context.LogStream.reset();
  if (RefuseLogOverRunFiles(context)) return false;
  try {
    context.LogStream = context.FileSystem->CreateTextFile(context.LogFileName);
  } catch (const std::exception& error) {
    ShowError(context, error.what());
    return false;
  }
  TryWriteLog(context, std::string(kProductName) + " " + kVersionText);
  TryWriteLog(context, kLegalNotice);
  TryWriteLog(context, "Open log file successfully.");
  return true;
}

}  // namespace

bool LoadRunSettings(RunContext& context) {
  // Text that is not valid in its code page would reach file names and the
  // database garbled: the run stops before anything is created.
  const std::string text_error = ProfileTextError(context.CfgFileName);
  if (!text_error.empty()) {
    ShowError(context, text_error);
    return false;
  }
  context.CodePage = ReadSetting(context, "FILE", kCodePageKey);
  context.LogFileName = ExpandFileNameMacros(context, ReadSetting(context, "FILE", "LogFileName"));
  if (!CreateRunLog(context)) return false;

  context.TemplateFileName = ReadSetting(context, "FILE", "ReportTemplateFileName");
  if (!context.FileSystem->FileExists(context.TemplateFileName)) {
    TryLogError(context, "The template file \"" + context.TemplateFileName + "\" does not exist.");
    return false;
  }

  context.ReportFileName = ExpandFileNameMacros(context, ReadSetting(context, "FILE", "ReportFileName"));
  if (context.ReportFileName.empty()) {
    TryLogError(context, "The name of report file is invalid.");
    return false;
  }

  context.DataSourceName = ReadSetting(context, "ODBC", "DSN");
  if (context.DataSourceName.empty()) {
    TryLogError(context, "Data source name does not be set.");
    return false;
  }

  context.DbUserName = ReadSetting(context, "ODBC", "DBUSER");
  context.DbPassword = ReadSetting(context, "ODBC", "DBPWD");
  return true;
}

}  // namespace tallyvane
