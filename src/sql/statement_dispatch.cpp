#include "sql/statement_dispatch.h"

#include <exception>

#include "log/count_format.h"
#include "log/run_log.h"
#include "log/run_view.h"
#include "platform/interruption.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "sql/function_fields.h"
#include "workbook/output_functions.h"

namespace tallyvane {
namespace {

void CountStatement(const RunLog& log) {
  ++log.counters.SqlStatementCount;
  if (log.interactive && log.wiring.View != nullptr) {
    log.wiring.View->SetBoxText(RunViewBox::SqlStatementCount, FormatCount(log.counters.SqlStatementCount));
  }
}

std::string SheetFunctionLine(int function, const FunctionFields& fields) {
  return "Function " + std::to_string(function) + ", Sheet " + fields.target + ", Begin row " +
         std::to_string(fields.begin_row) + ", Begin col " + std::to_string(fields.begin_col);
}

bool RunOutputFunction(const RunLog& log, RunSession& session, const std::string& prefix, const FunctionFields& fields,
                       const std::string& sql_text) {
  switch (fields.function) {
    case 0:
      WriteLog(log, prefix + "Function 0");
      WriteLog(log, prefix + sql_text);
      return ExecuteOnly(log, session, sql_text);
    case 1:
      WriteLog(log, prefix + SheetFunctionLine(1, fields));
      WriteLog(log, prefix + sql_text);
      return ExecFunction1(log, session, fields.target, fields.begin_row, fields.begin_col, fields.by_column, sql_text);
    case 2:
      WriteLog(log, prefix + SheetFunctionLine(2, fields));
      WriteLog(log, prefix + sql_text);
      return ExecFunction2(log, session, fields.target, fields.begin_row, fields.begin_col, fields.by_column, sql_text);
    case 3:
      WriteLog(log, prefix + "Function 3, Name [" + fields.target + "]");
      WriteLog(log, prefix + sql_text);
      return ExecFunction3(log, session, fields.target, sql_text);
    default: return false;
  }
}

}  // namespace

void DispatchStatement(const RunLog& log, RunSession& session, std::int16_t file_number, const std::string& label,
                       const std::string& fields, const std::string& sql_text) {
  StopIfInterrupted();
  CountStatement(log);
  const std::string file_tag = SqlFileTag(file_number);
  session.SqlTag = file_tag + "  [" + label + "]";
  try {
    const FunctionFields decoded = DecodeFunctionFields(fields);
    const std::string prefix = session.SqlTag + "    ";
    const bool outcome = RunOutputFunction(log, session, prefix, decoded, sql_text);
    WriteLog(log, prefix + (outcome ? "Success." : "Failure."));
  } catch (const std::exception& error) {
    LogError(log, "Failed to excute function.", error.what());
  }
  session.SqlTag = file_tag;
}

bool ExecuteOnly(const RunLog& log, RunSession& session, const std::string& sql_text) {
  try {
    if (!session.DbConnection) throw PlatformError("The database connection is not open.");
    session.DbConnection->Execute(sql_text);
    return true;
  } catch (const std::exception& error) {
    LogError(log, "Failed to execute function 0.", error.what());
    return false;
  }
}

}  // namespace tallyvane
