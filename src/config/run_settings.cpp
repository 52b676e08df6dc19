#include "config/run_settings.h"

#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "config/file_name_macros.h"
#include "config/read_ini_value.h"
#include "log/run_log.h"
#include "platform/number_text.h"
#include "platform/plain_text.h"
#include "platform/private_profile.h"
#include "platform/temp_file.h"
#include "platform/text_code_page.h"
#include "run/program_info.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

const char* const kIncorrectConfiguration = "The information in the configuration file is incorrect.";

std::string ReadSetting(const RunContext& context, const char* section, const char* key) {
  return TrimSpaces(ReadIniValue(section, key, context.settings.CfgFileName));
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
std::vector<std::pair<std::string, std::string>> RunFiles(const RunContext& context) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"configuration file", context.settings.CfgFileName},
      {"template file", context.settings.TemplateFileName},
      {"report file", context.settings.ReportFileName},
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
  if (context.settings.LogFileName.empty()) return false;
  for (const auto& [what, name] : RunFiles(context)) {
    if (name.empty() || !context.wiring.FileSystem->IsSameFile(context.settings.LogFileName, name)) continue;
    ShowError(context, "The log file \"" + context.settings.LogFileName + "\" is the " + what + " \"" + name +
                           "\"; choose another LogFileName.");
    return true;
  }
  return false;
}

bool CreateRunLog(RunContext& context) {
  context.session.LogStream.reset();
  if (RefuseLogOverRunFiles(context)) return false;
  try {
    // Any other file of that name (a database, somebody's notes) is not
    // ours to destroy: only an empty file or an earlier run's log is.
    context.session.LogStream = context.wiring.FileSystem->CreateTextFile(context.settings.LogFileName, IsLogLine);
  } catch (const std::exception& error) {
    ShowError(context, error.what());
    return false;
  }
  TryWriteLog(context, std::string(kProductName) + " " + kVersionText);
  TryWriteLog(context, kLegalNotice);
  TryWriteLog(context, "Open log file successfully.");
  return true;
}

// The run's settings, read from the configuration once, in the run's
// order; everything after only looks at them. A name's date and time
// macros are expanded once, so that every check sees the one name the run
// uses.
void ReadRunSettings(RunContext& context) {
  RunSettings& settings = context.settings;
  settings.CodePage = ReadSetting(context, "FILE", kCodePageKey);
  settings.LogFileName = ExpandFileNameMacros(context, ReadSetting(context, "FILE", "LogFileName"));
  settings.TemplateFileName = ReadSetting(context, "FILE", "ReportTemplateFileName");
  settings.ReportFileName = ExpandFileNameMacros(context, ReadSetting(context, "FILE", "ReportFileName"));
  settings.DataSourceName = ReadSetting(context, "ODBC", "DSN");
  settings.DbUserName = ReadSetting(context, "ODBC", "DBUSER");
  settings.DbPassword = ReadSetting(context, "ODBC", "DBPWD");
}

// Each returns what makes one setting unusable for a run, or the empty
// text.
std::string CheckTemplate(const RunContext& context) {
  if (context.wiring.FileSystem->FileExists(context.settings.TemplateFileName)) return std::string();
  return "The template file \"" + context.settings.TemplateFileName + "\" does not exist.";
}

std::string CheckReportName(const RunContext& context) {
  return context.settings.ReportFileName.empty() ? "The name of report file is invalid." : std::string();
}

std::string CheckDataSourceName(const RunContext& context) {
  return context.settings.DataSourceName.empty() ? "Data source name does not be set." : std::string();
}

using SettingCheck = std::string (*)(const RunContext&);
const SettingCheck kSettingChecks[] = {CheckTemplate, CheckReportName, CheckDataSourceName};

// The folder a relative name is created in is the one the run starts in.
std::string FolderOf(const RunContext& context, const std::string& path) {
  const std::string folder = context.wiring.FileSystem->GetParentFolderName(path);
  return folder.empty() ? "." : folder;
}

bool MayBecomeTheLog(const RunContext& context, const std::string& name) {
  if (!context.wiring.FileSystem->FileExists(name)) return true;
  try {
    const auto stream = context.wiring.FileSystem->OpenTextFile(name);
    return stream->AtEndOfStream() || IsLogLine(stream->ReadLine(64));
  } catch (const std::exception&) {
    return true;  // the run reports what keeps it from the file
  }
}

}  // namespace

bool LoadRunSettings(RunContext& context) {
  // Text that is not valid in its code page would reach file names and the
  // database garbled: the run stops before anything is created.
  const std::string text_error = ProfileTextError(context.settings.CfgFileName);
  if (!text_error.empty()) {
    ShowError(context, text_error);
    return false;
  }
  ReadRunSettings(context);
  if (!CreateRunLog(context)) return false;
  for (const SettingCheck check : kSettingChecks) {
    const std::string problem = check(context);
    if (!problem.empty()) {
      TryLogError(context, problem);
      return false;
    }
  }
  return true;
}

std::vector<std::string> CheckRunSettings(RunContext& context) {
  const std::string text_error = ProfileTextError(context.settings.CfgFileName);
  if (!text_error.empty()) return {text_error};
  std::vector<std::string> problems;
  ReadRunSettings(context);
  const std::string log_folder = FolderOf(context, context.settings.LogFileName);
  if (context.settings.LogFileName.empty()) {
    problems.push_back("The run log has no name (LogFileName).");
  } else if (!std::filesystem::is_directory(log_folder)) {
    problems.push_back("The run log \"" + context.settings.LogFileName + "\" cannot be created: no folder \"" +
                       log_folder + "\".");
  } else if (!MayBecomeTheLog(context, context.settings.LogFileName)) {
    problems.push_back("The run log \"" + context.settings.LogFileName +
                       "\" names a file that is not empty and is not a run log; it would be left as it is.");
  }
  for (const SettingCheck check : kSettingChecks) {
    const std::string problem = check(context);
    if (!problem.empty()) problems.push_back(problem);
  }
  const std::string report_folder = FolderOf(context, context.settings.ReportFileName);
  if (!context.settings.ReportFileName.empty() && !std::filesystem::is_directory(report_folder)) {
    problems.push_back("The report file \"" + context.settings.ReportFileName + "\" cannot be created: no folder \"" +
                       report_folder + "\".");
  } else if (!context.settings.ReportFileName.empty()) {
    try {
      CheckRoomForTempFilesBeside(context.settings.ReportFileName);
    } catch (const std::exception& error) {
      problems.push_back("The report file \"" + context.settings.ReportFileName +
                         "\" cannot be saved: " + error.what());
    }
  }
  return problems;
}

}  // namespace tallyvane
