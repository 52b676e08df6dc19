#include "workbook/report_file.h"

#include <exception>
#include <filesystem>
#include <string>

#include "app/run_context.h"
#include "log/run_log.h"
#include "platform/platform_error.h"

namespace tallyvane {
namespace {

std::string InQuotes(const std::string& text) { return "\"" + text + "\""; }

// Deleting the report must never destroy the template, also when the two
// names lead to one file through a link. The template exists at this
// point, so a report that is the same file exists too.
void RefuseTemplateAsReport(const RunContext& context) {
  std::error_code error;
  if (std::filesystem::equivalent(context.ReportFileName, context.TemplateFileName, error)) {
    throw PlatformError("The report file " + InQuotes(context.ReportFileName) +
                        " is the template file itself.");
  }
}

}  // namespace

bool OpenReportFile(RunContext& context) {
  try {
    RefuseTemplateAsReport(context);
    const FileSystem& files = *context.FileSystem;
    if (files.FileExists(context.ReportFileName)) files.DeleteFile(context.ReportFileName);
    files.CopyFile(context.TemplateFileName, context.ReportFileName);
    WriteLog(context, "Create the blank report file " + InQuotes(context.ReportFileName) + ".");
    files.SetNormalAttributes(context.ReportFileName);
    context.ReportWorkbook = context.ExcelApp->OpenWorkbook(context.ReportFileName);
    context.ReportWorkbook->Activate();
    WriteLog(context, "Open the report file " + InQuotes(context.ReportFileName) + ".");
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to open the report file " + InQuotes(context.ReportFileName) + ".",
             error.what());
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
