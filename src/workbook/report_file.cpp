#include "workbook/report_file.h"

#include <exception>
#include <filesystem>
#include <string>

#include "log/run_log.h"
#include "platform/file_lock.h"
#include "platform/platform_error.h"
#include "platform/temp_file.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

std::string InQuotes(const std::string& text) { return "\"" + text + "\""; }

// Replacing the report must never destroy the template, the run's own log
// or a device, also when the names lead to one of them through a link.
void RefuseRunFilesAsReport(const RunContext& context) {
  const FileSystem& files = *context.FileSystem;
  if (!files.IsReplaceable(context.ReportFileName)) {
    throw PlatformError("The report file " + InQuotes(context.ReportFileName) +
                        " is not a regular file (a device, a pipe or a folder), which is never replaced.");
  }
  if (files.IsSameFile(context.ReportFileName, context.TemplateFileName)) {
    throw PlatformError("The report file " + InQuotes(context.ReportFileName) + " is the template file itself.");
  }
  if (!context.LogFileName.empty() && files.IsSameFile(context.ReportFileName, context.LogFileName)) {
    throw PlatformError("The report file " + InQuotes(context.ReportFileName) + " is the log file itself.");
  }
}

// Says what to fix, as the configuration check does, instead of naming the
// lock file that could not be made in it.
void RefuseMissingReportFolder(const RunContext& context) {
  std::string folder = context.FileSystem->GetParentFolderName(context.ReportFileName);
  if (folder.empty()) folder = ".";
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) {
    throw PlatformError("The report file " + InQuotes(context.ReportFileName) + " cannot be created: no folder " +
                        InQuotes(folder) + ".");
  }
}

}  // namespace

bool OpenReportFile(RunContext& context) {
  bool copied = false;
  try {
    RefuseRunFilesAsReport(context);
    RefuseMissingReportFolder(context);
    CheckRoomForTempFilesBeside(context.ReportFileName);
    // Held until the run ends, so that a second run on the same report
    // stops before it writes anything.
    context.ReportLock.reset();
    context.ReportLock = FileLock::Acquire(context.ReportFileName);
    RemoveTempFilesBeside(context.ReportFileName);
    context.FileSystem->CopyFile(context.TemplateFileName, context.ReportFileName);
    copied = true;
    WriteLog(context, "Create the blank report file " + InQuotes(context.ReportFileName) + ".");
    // The copy holds the template's bytes: what is wrong inside it is the
    // template's to fix, and is told of the template.
    context.ReportWorkbook = context.ExcelApp->OpenCopy(context.ReportFileName, context.TemplateFileName);
    context.ReportWorkbook->Activate();
    WriteLog(context, "Open the report file " + InQuotes(context.ReportFileName) + ".");
    return true;
  } catch (const std::exception& error) {
    // The run stops here: a blank template under the report's name would
    // pass for the report with whoever picks it up, so the copy goes.
    if (copied) {
      std::error_code ignored;
      std::filesystem::remove(context.ReportFileName, ignored);
    }
    LogError(context, "Failed to open the report file " + InQuotes(context.ReportFileName) + ".", error.what());
    return false;
  }
}

bool CloseReportFile(RunContext& context) {
  try {
    if (!context.ReportWorkbook) throw PlatformError("The report workbook is not open.");
    context.ReportWorkbook->Save();
    WriteLog(context, "Save the report file successfully.");
    context.ReportWorkbook->Close();
    WriteLog(context, "Close the report file.");
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to close the report file.", error.what());
    return false;
  }
}

}  // namespace tallyvane
