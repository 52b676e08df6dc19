#include "app/report_run.h"

#include <exception>

#include "config/run_settings.h"
#include "db/database_connection.h"
#include "log/count_format.h"
#include "log/run_log.h"
#include "log/run_view.h"
#include "platform/clock.h"
#include "platform/interruption.h"
#include "platform/platform_factory.h"
#include "platform/temp_file.h"
#include "run/run_context.h"
#include "sql/sql_file_list.h"
#include "workbook/output_functions.h"
#include "workbook/report_file.h"

namespace tallyvane {
namespace {

void ResetCounters(RunContext& context) {
  context.counters.SqlFileCount = 0;
  context.counters.SqlStatementCount = 0;
  context.counters.ErrorCount = 0;
  context.counters.LogViewLineCount = 0;
}

void ShowRunFiles(RunContext& context) {
  if (!context.Interactive || context.wiring.View == nullptr) return;
  RunView& view = *context.wiring.View;
  view.SetBoxText(RunViewBox::TemplateFileName, context.settings.TemplateFileName);
  view.SetBoxText(RunViewBox::ReportFileName, context.settings.ReportFileName);
  view.SetBoxText(RunViewBox::LogFileName, context.settings.LogFileName);
  view.SetBoxText(RunViewBox::SqlFileCount, FormatCountWithZero(context.counters.SqlFileCount));
  view.SetBoxText(RunViewBox::SqlStatementCount, FormatCountWithZero(context.counters.SqlStatementCount));
  view.SetBoxText(RunViewBox::ErrorCount, FormatCountWithZero(context.counters.ErrorCount));
}

RunOutcome RunPhases(RunContext& context) {
  ResetCounters(context);
  const RunLog log = LogOf(context);
  RunSession& session = context.session;
  if (!LoadRunSettings(log, context.settings)) return RunOutcome::Stopped;
  ShowRunFiles(context);
  if (!ConnectDatabase(log, context.settings, *context.wiring.Platform, session)) return RunOutcome::Stopped;
  StopIfInterrupted();
  session.ExcelApp = context.wiring.Platform->CreateSpreadsheetApp();
  if (!OpenReportFile(log, context.settings, *context.wiring.FileSystem, session)) return RunOutcome::Stopped;
  RunSqlFileList(context);
  StopIfInterrupted();
  CloseReportFile(log, session);
  session.ExcelApp->Quit();
  session.ExcelApp.reset();
  session.ReportWorkbook.reset();
  DisconnectDatabase(log, session);
  WriteLog(log, "Close the log file.");
  context.session.LogStream->Close();
  return RunOutcome::Finished;
}

// A termination signal or the operator's Stop ended the run at a safe
// point: the report stays as it was before the save, the log says why and
// is closed.
void EndInterruptedRun(const RunLog& log, RunSession& session, int signal_number) {
  CloseRecordsetQuietly(session);
  session.ReportSheet.reset();
  session.ReportWorkbook.reset();
  session.ExcelApp.reset();
  if (session.DbConnection) DisconnectDatabase(log, session);
  if (!session.LogStream || !session.LogStream->IsOpen()) return;
  LogError(log, "The run was interrupted.",
           signal_number == kStopRequested ? std::string("Stopped from the window.")
                                           : "The program received the signal " + SignalName(signal_number) + ".");
  session.LogStream->Close();
}

// A run that a driver keeps from its next safe point is given up from the
// watcher thread while its own thread is blocked: the same two lines as an
// interruption, straight into the log (the window and the terminal belong
// to the blocked thread), the save's temporaries and the lock removed.
void AbandonRun(RunContext& context, int signal_number) {
  try {
    if (context.session.LogStream && context.session.LogStream->IsOpen()) {
      const DateTime now = NowOf(context.wiring.Time);
      context.session.LogStream->WriteLine(FormatLogLine(now, "Error: The run was interrupted."));
      context.session.LogStream->WriteLine(
          FormatLogLine(now, "Error Info: The program received the signal " + SignalName(signal_number) + "."));
    }
  } catch (const std::exception&) {
  }
  if (context.session.ReportLock) {
    RemoveTempFilesBeside(context.settings.ReportFileName);
    context.session.ReportLock.reset();
  }
}

bool LogRunEndingError(const RunLog& log, const std::string& description) {
  if (!log.stream || !log.stream->IsOpen()) return false;
  try {
    LogError(log, "The run stopped on an error that no step handles.", description);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

RunResult RunReport(RunContext& context) {
  RunResult result;
  InterruptibleRun interruptible([&context](int signal_number) { AbandonRun(context, signal_number); });
  try {
    result.outcome = RunPhases(context);
  } catch (const RunInterrupted& interruption) {
    result.outcome = RunOutcome::Interrupted;
    try {
      EndInterruptedRun(LogOf(context), context.session, interruption.signal_number);
    } catch (const std::exception& error) {
      result.error = error.what();
    }
  } catch (const std::exception& error) {
    // An error that no step traps ends the run where it happened. It is
    // logged and counted like any other, so that the log, the window and
    // the exit line do not tell of a run without errors; only when the log
    // cannot take it does the caller show it.
    result.outcome = RunOutcome::Aborted;
    result.error = error.what();
    result.logged = LogRunEndingError(LogOf(context), result.error);
  }
  // However the run ended, other runs may have the report now.
  context.session.ReportLock.reset();
  return result;
}

int ExitStatusOf(const RunResult& result, long error_count) {
  if (result.outcome != RunOutcome::Finished) return 2;
  return error_count == 0 ? 0 : 1;
}

}  // namespace tallyvane
