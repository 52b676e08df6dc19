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

void CountStatement(RunContext& context) {
  ++context.counters.SqlStatementCount;
  if (context.Interactive && context.wiring.View != nullptr) {
    context.wiring.View->SetBoxText(RunViewBox::SqlStatementCount, FormatCount(context.counters.SqlStatementCount));
  }
}

std::string SheetFunctionLine(int function, const FunctionFields& fields) {
  return "Function " + std::to_string(function) + ", Sheet " + fields.target + ", Begin row " +
         std::to_string(fields.begin_row) + ", Begin col " + std::to_string(fields.begin_col);
}

bool RunOutputFunction(RunContext& context, const std::string& prefix, const FunctionFields& fields,
                       const std::string& sql_text) {
  switch (fields.function) {
    case 0:
      WriteLog(context, prefix + "Function 0");
      WriteLog(context, prefix + sql_text);
      return ExecuteOnly(context, sql_text);
    case 1:
      WriteLog(context, prefix + SheetFunctionLine(1, fields));
      WriteLog(context, prefix + sql_text);
      return ExecFunction1(context, fields.target, fields.begin_row, fields.begin_col, fields.by_column, sql_text);
    case 2:
      WriteLog(context, prefix + SheetFunctionLine(2, fields));
      WriteLog(context, prefix + sql_text);
      return ExecFunction2(context, fields.target, fields.begin_row, fields.begin_col, fields.by_column, sql_text);
    case 3:
      WriteLog(context, prefix + "Function 3, Name [" + fields.target + "]");
      WriteLog(context, prefix + sql_text);
      return ExecFunction3(context, fields.target, sql_text);
    default: return false;
  }
}

}  // namespace

void DispatchStatement(RunContext& context, std::int16_t file_number, const std::string& label,
                       const std::string& fields, const std::string& sql_text) {
  StopIfInterrupted();
  CountStatement(context);
  const std::string file_tag = SqlFileTag(file_number);
  context.session.SqlTag = file_tag + "  [" + label + "]";
  try {
    const FunctionFields decoded = DecodeFunctionFields(fields);
    const std::string prefix = context.session.SqlTag + "    ";
    const bool outcome = RunOutputFunction(context, prefix, decoded, sql_text);
    WriteLog(context, prefix + (outcome ? "Success." : "Failure."));
  } catch (const std::exception& error) {
    LogError(context, "Failed to excute function.", error.what());
  }
  context.session.SqlTag = file_tag;
}

bool ExecuteOnly(RunContext& context, const std::string& sql_text) {
  try {
    if (!context.session.DbConnection) throw PlatformError("The database connection is not open.");
    context.session.DbConnection->Execute(sql_text);
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to execute function 0.", error.what());
    return false;
  }
}

}  // namespace tallyvane
