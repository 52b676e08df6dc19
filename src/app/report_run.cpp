#include "app/report_run.h"

#include <exception>

#include "app/run_context.h"
#include "config/run_settings.h"
#include "db/database_connection.h"
#include "log/count_format.h"
#include "log/run_log.h"
#include "log/run_view.h"
#include "platform/platform_factory.h"
#include "sql/sql_file_list.h"
#include "workbook/report_file.h"

namespace tallyvane {
namespace {

void ResetCounters(RunContext& context) {
  context.SqlFileCount = 0;
  context.SqlStatementCount = 0;
  context.ErrorCount = 0;
  context.LogViewLineCount = 0;
}

void ShowRunFiles(RunContext& context) {
  if (!context.Interactive || context.View == nullptr) return;
  RunView& view = *context.View;
  view.SetBoxText(RunViewBox::TemplateFileName, context.TemplateFileName);
  view.SetBoxText(RunViewBox::ReportFileName, context.ReportFileName);
  view.SetBoxText(RunViewBox::LogFileName, context.LogFileName);
  view.SetBoxText(RunViewBox::SqlFileCount, FormatCountWithZero(context.SqlFileCount));
  view.SetBoxText(RunViewBox::SqlStatementCount, FormatCountWithZero(context.SqlStatementCount));
  view.SetBoxText(RunViewBox::ErrorCount, FormatCountWithZero(context.ErrorCount));
}

RunOutcome RunPhases(RunContext& context) {
  ResetCounters(context);
  if (!LoadRunSettings(context)) return RunOutcome::Stopped;
  ShowRunFiles(context);
  if (!ConnectDatabase(context)) return RunOutcome::Stopped;
  context.ExcelApp = context.Platform->CreateSpreadsheetApp();
  if (!OpenReportFile(context)) return RunOutcome::Stopped;
  RunSqlFileList(context);
  CloseReportFile(context);
  context.ExcelApp->Quit();
  context.ExcelApp.reset();
  context.ReportWorkbook.reset();
  DisconnectDatabase(context);
  WriteLog(context, "Close the log file.");
  context.LogStream->Close();
  return RunOutcome::Finished;
}

}  // namespace

RunResult RunReport(RunContext& context) {
  RunResult result;
  try {
    result.outcome = RunPhases(context);
  } catch (const std::exception& error) {
    // An error that no step traps ends the run where it happened, without
    // a log line; the caller reports it.
    result.outcome = RunOutcome::Aborted;
    result.error = error.what();
  }
  return result;
}

int ExitStatusOf(const RunResult& result, long error_count) {
  if (result.outcome != RunOutcome::Finished) return 2;
  return error_count == 0 ? 0 : 1;
}

}  // namespace tallyvane
