#include "workbook/report_file.h"

#include <exception>
#include <filesystem>
#include <string>

#include "log/run_log.h"
#include "platform/file_lock.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "platform/temp_file.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

// Replacing the report must never destroy the template, the run's own log
// or a device, also when the names lead to one of them through a link.
void RefuseRunFilesAsReport(const RunContext& context) {
  const FileSystem& files = *context.wiring.FileSystem;
  if (!files.IsReplaceable(context.settings.ReportFileName)) {
    throw PlatformError("The report file " + Quoted(context.settings.ReportFileName) +
                        " is not a regular file (a device, a pipe or a folder), which is never replaced.");
  }
  if (files.IsSameFile(context.settings.ReportFileName, context.settings.TemplateFileName)) {
    throw PlatformError("The report file " + Quoted(context.settings.ReportFileName) + " is the template file itself.");
  }
  if (!context.settings.LogFileName.empty() &&
      files.IsSameFile(context.settings.ReportFileName, context.settings.LogFileName)) {
    throw PlatformError("The report file " + Quoted(context.settings.ReportFileName) + " is the log file itself.");
  }
}

// Says what to fix, as the configuration check does, instead of naming the
// lock file that could not be made in it.
void RefuseMissingReportFolder(const RunContext& context) {
  std::string folder = context.wiring.FileSystem->GetParentFolderName(context.settings.ReportFileName);
  if (folder.empty()) folder = ".";
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) {
    throw PlatformError("The report file " + Quoted(context.settings.ReportFileName) +
                        " cannot be created: no folder " + Quoted(folder) + ".");
  }
}

}  // namespace

bool OpenReportFile(RunContext& context) {
  bool copied = false;
  try {
    RefuseRunFilesAsReport(context);
    RefuseMissingReportFolder(context);
    CheckRoomForTempFilesBeside(context.settings.ReportFileName);
    // Held until the run ends, so that a second run on the same report
    // stops before it writes anything.
    context.session.ReportLock.reset();
    context.session.ReportLock = FileLock::Acquire(context.settings.ReportFileName);
    RemoveTempFilesBeside(context.settings.ReportFileName);
    context.wiring.FileSystem->CopyFile(context.settings.TemplateFileName, context.settings.ReportFileName);
    copied = true;
    WriteLog(context, "Create the blank report file " + Quoted(context.settings.ReportFileName) + ".");
    // The copy holds the template's bytes: what is wrong inside it is the
    // template's to fix, and is told of the template.
    context.session.ReportWorkbook =
        context.session.ExcelApp->OpenCopy(context.settings.ReportFileName, context.settings.TemplateFileName);
    context.session.ReportWorkbook->Activate();
    WriteLog(context, "Open the report file " + Quoted(context.settings.ReportFileName) + ".");
    return true;
  } catch (const std::exception& error) {
    // The run stops here: a blank template under the report's name would
    // pass for the report with whoever picks it up, so the copy goes.
    if (copied) {
      std::error_code ignored;
      std::filesystem::remove(context.settings.ReportFileName, ignored);
    }
    LogError(context, "Failed to open the report file " + Quoted(context.settings.ReportFileName) + ".", error.what());
    return false;
  }
}

bool CloseReportFile(RunContext& context) {
  try {
    if (!context.session.ReportWorkbook) throw PlatformError("The report workbook is not open.");
    context.session.ReportWorkbook->Save();
    WriteLog(context, "Save the report file successfully.");
    context.session.ReportWorkbook->Close();
    WriteLog(context, "Close the report file.");
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to close the report file.", error.what());
    return false;
  }
}

}  // namespace tallyvane
