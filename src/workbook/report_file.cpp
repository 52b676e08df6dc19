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

// Replacing the report must never destroy a device, also when the name
// leads to one through a link. (The other files of the run are kept from
// it with the settings, before anything is created.)
void RefuseDeviceAsReport(const FileSystem& files, const std::string& report) {
  if (!files.IsReplaceable(report)) {
    throw PlatformError("The report file " + Quoted(report) +
                        " is not a regular file (a device, a pipe, a folder or a name in /dev, /proc or /sys), which "
                        "is never replaced.");
  }
}

// Says what to fix, as the configuration check does, instead of naming the
// lock file that could not be made in it.
void RefuseMissingReportFolder(const FileSystem& files, const std::string& report) {
  std::string folder = files.GetParentFolderName(report);
  if (folder.empty()) folder = ".";
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) {
    throw PlatformError("The report file " + Quoted(report) + " cannot be created: no folder " + Quoted(folder) + ".");
  }
}

}  // namespace

bool OpenReportFile(const RunLog& log, const RunSettings& settings, const FileSystem& files, RunSession& session) {
  bool copied = false;
  try {
    RefuseDeviceAsReport(files, settings.ReportFileName);
    RefuseMissingReportFolder(files, settings.ReportFileName);
    CheckRoomForTempFilesBeside(settings.ReportFileName);
    // Held until the run ends, so that a second run on the same report
    // stops before it writes anything.
    session.ReportLock.reset();
    session.ReportLock = FileLock::Acquire(settings.ReportFileName);
    RemoveTempFilesBeside(settings.ReportFileName);
    files.CopyFile(settings.TemplateFileName, settings.ReportFileName);
    copied = true;
    WriteLog(log, "Create the blank report file " + Quoted(settings.ReportFileName) + ".");
    // The copy holds the template's bytes: what is wrong inside it is the
    // template's to fix, and is told of the template.
    session.ReportWorkbook = session.ExcelApp->OpenCopy(settings.ReportFileName, settings.TemplateFileName);
    session.ReportWorkbook->Activate();
    WriteLog(log, "Open the report file " + Quoted(settings.ReportFileName) + ".");
    return true;
  } catch (const std::exception& error) {
    // The run stops here: a blank template under the report's name would
    // pass for the report with whoever picks it up, so the copy goes.
    if (copied) {
      std::error_code ignored;
      std::filesystem::remove(settings.ReportFileName, ignored);
    }
    LogError(log, "Failed to open the report file " + Quoted(settings.ReportFileName) + ".", error.what());
    return false;
  }
}

bool CloseReportFile(const RunLog& log, RunSession& session) {
  try {
    if (!session.ReportWorkbook) throw PlatformError("The report workbook is not open.");
    session.ReportWorkbook->Save();
    WriteLog(log, "Save the report file successfully.");
    session.ReportWorkbook->Close();
    WriteLog(log, "Close the report file.");
    return true;
  } catch (const std::exception& error) {
    LogError(log, "Failed to close the report file.", error.what());
    return false;
  }
}

}  // namespace tallyvane
