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

std::string ReadSetting(const RunSettings& settings, const char* section, const char* key) {
  return TrimSpaces(ReadIniValue(section, key, settings.CfgFileName));
}

// A failing log line does not stop the settings from being read.
void TryWriteLog(const RunLog& log, const std::string& text) {
  try {
    WriteLog(log, text);
  } catch (const std::exception&) {
  }
}

void TryLogError(const RunLog& log, const std::string& info) {
  try {
    LogError(log, kIncorrectConfiguration, info);
  } catch (const std::exception&) {
  }
}

using NamedFiles = std::vector<std::pair<std::string, std::string>>;

// The files a run reads, each with what it is: neither the log nor the
// report may be one of them.
NamedFiles FilesTheRunReads(const RunSettings& settings) {
  NamedFiles files = {
      {"configuration file", settings.CfgFileName},
      {"template file", settings.TemplateFileName},
  };
  int highest = 0;
  try {
    highest = ToInt16(ReadSetting(settings, "SQLFILE", "F_MAXNUM"));
  } catch (const std::exception&) {
  }
  for (int number = 1; number <= highest; ++number) {
    files.emplace_back("SQL file", ReadSetting(settings, "SQLFILE", ("F" + std::to_string(number)).c_str()));
  }
  return files;
}

// The message naming the first of the files that the written one (what it
// is, the key that names it) would overwrite, also through a link; empty
// when there is none.
std::string OverlapWith(const NamedFiles& files, const char* written_what, const char* key, const std::string& written,
                        const FileSystem& file_system) {
  for (const auto& [what, name] : files) {
    if (written.empty() || name.empty() || !file_system.IsSameFile(written, name)) continue;
    return "The " + std::string(written_what) + " " + Quoted(written) + " is the " + what + " " + Quoted(name) +
           "; choose another " + key + ".";
  }
  return std::string();
}

// The log must not be any file the run reads nor the report; the report
// must not be a file the run reads. Checked once, before anything is
// created.
std::string RunFileOverlap(const RunSettings& settings, const FileSystem& file_system) {
  NamedFiles read = FilesTheRunReads(settings);
  const std::string report_overlap =
      OverlapWith(read, "report file", "ReportFileName", settings.ReportFileName, file_system);
  read.emplace_back("report file", settings.ReportFileName);
  const std::string log_overlap = OverlapWith(read, "log file", "LogFileName", settings.LogFileName, file_system);
  return log_overlap.empty() ? report_overlap : log_overlap;
}

bool CreateRunLog(const RunLog& log, const RunSettings& settings) {
  log.stream.reset();
  const std::string overlap = RunFileOverlap(settings, *log.wiring.FileSystem);
  if (!overlap.empty()) {
    ShowError(log.wiring, overlap);
    return false;
  }
  try {
    // Any other file of that name (a database, somebody's notes) is not
    // ours to destroy: only an empty file or an earlier run's log is.
    log.stream = log.wiring.FileSystem->CreateTextFile(settings.LogFileName, IsLogLine);
  } catch (const std::exception& error) {
    ShowError(log.wiring, error.what());
    return false;
  }
  TryWriteLog(log, std::string(kProductName) + " " + kVersionText);
  TryWriteLog(log, kLegalNotice);
  TryWriteLog(log, "Open log file successfully.");
  return true;
}

// The run's settings, read from the configuration once, in the run's
// order; everything after only looks at them. A name's date and time
// macros are expanded once, so that every check sees the one name the run
// uses.
void ReadRunSettings(RunSettings& settings, const Clock* clock) {
  settings.CodePage = ReadSetting(settings, "FILE", kCodePageKey);
  settings.LogFileName = ExpandFileNameMacros(clock, ReadSetting(settings, "FILE", "LogFileName"));
  settings.TemplateFileName = ReadSetting(settings, "FILE", "ReportTemplateFileName");
  settings.ReportFileName = ExpandFileNameMacros(clock, ReadSetting(settings, "FILE", "ReportFileName"));
  settings.DataSourceName = ReadSetting(settings, "ODBC", "DSN");
  settings.DbUserName = ReadSetting(settings, "ODBC", "DBUSER");
  settings.DbPassword = ReadSetting(settings, "ODBC", "DBPWD");
}

// Each returns what makes one setting unusable for a run, or the empty
// text.
std::string CheckTemplate(const RunSettings& settings, const FileSystem& files) {
  if (files.FileExists(settings.TemplateFileName)) return std::string();
  return "The template file \"" + settings.TemplateFileName + "\" does not exist.";
}

std::string CheckReportName(const RunSettings& settings, const FileSystem&) {
  return settings.ReportFileName.empty() ? "The name of report file is invalid." : std::string();
}

std::string CheckDataSourceName(const RunSettings& settings, const FileSystem&) {
  return settings.DataSourceName.empty() ? "Data source name does not be set." : std::string();
}

using SettingCheck = std::string (*)(const RunSettings&, const FileSystem&);
const SettingCheck kSettingChecks[] = {CheckTemplate, CheckReportName, CheckDataSourceName};

// The folder a relative name is created in is the one the run starts in.
std::string FolderOf(const FileSystem& files, const std::string& path) {
  const std::string folder = files.GetParentFolderName(path);
  return folder.empty() ? "." : folder;
}

bool MayBecomeTheLog(const FileSystem& files, const std::string& name) {
  if (!files.FileExists(name)) return true;
  try {
    const auto stream = files.OpenTextFile(name);
    return stream->AtEndOfStream() || IsLogLine(stream->ReadLine(64));
  } catch (const std::exception&) {
    return true;  // the run reports what keeps it from the file
  }
}

}  // namespace

bool LoadRunSettings(const RunLog& log, RunSettings& settings) {
  // Text that is not valid in its code page would reach file names and the
  // database garbled: the run stops before anything is created.
  const std::string text_error = ProfileTextError(settings.CfgFileName);
  if (!text_error.empty()) {
    ShowError(log.wiring, text_error);
    return false;
  }
  ReadRunSettings(settings, log.wiring.Time);
  if (!CreateRunLog(log, settings)) return false;
  for (const SettingCheck check : kSettingChecks) {
    const std::string problem = check(settings, *log.wiring.FileSystem);
    if (!problem.empty()) {
      TryLogError(log, problem);
      return false;
    }
  }
  return true;
}

std::vector<std::string> CheckRunSettings(RunSettings& settings, const FileSystem& files, const Clock* clock) {
  const std::string text_error = ProfileTextError(settings.CfgFileName);
  if (!text_error.empty()) return {text_error};
  std::vector<std::string> problems;
  ReadRunSettings(settings, clock);
  const std::string overlap = RunFileOverlap(settings, files);
  if (!overlap.empty()) problems.push_back(overlap);
  const std::string log_folder = FolderOf(files, settings.LogFileName);
  if (settings.LogFileName.empty()) {
    problems.push_back("The run log has no name (LogFileName).");
  } else if (!std::filesystem::is_directory(log_folder)) {
    problems.push_back("The run log \"" + settings.LogFileName + "\" cannot be created: no folder \"" + log_folder +
                       "\".");
  } else if (!MayBecomeTheLog(files, settings.LogFileName)) {
    problems.push_back("The run log \"" + settings.LogFileName +
                       "\" names a file that is not empty and is not a run log; it would be left as it is.");
  }
  for (const SettingCheck check : kSettingChecks) {
    const std::string problem = check(settings, files);
    if (!problem.empty()) problems.push_back(problem);
  }
  const std::string report_folder = FolderOf(files, settings.ReportFileName);
  if (!settings.ReportFileName.empty() && !std::filesystem::is_directory(report_folder)) {
    problems.push_back("The report file \"" + settings.ReportFileName + "\" cannot be created: no folder \"" +
                       report_folder + "\".");
  } else if (!settings.ReportFileName.empty()) {
    try {
      CheckRoomForTempFilesBeside(settings.ReportFileName);
    } catch (const std::exception& error) {
      problems.push_back("The report file \"" + settings.ReportFileName + "\" cannot be saved: " + error.what());
    }
  }
  return problems;
}

}  // namespace tallyvane
