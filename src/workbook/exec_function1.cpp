#include <exception>

#include "app/run_context.h"
#include "log/run_log.h"
#include "platform/platform_error.h"
#include "workbook/output_functions.h"
#include "workbook/sheet_fill.h"

namespace tallyvane {

bool ExecFunction1(RunContext& context, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text) {
  try {
    LocateReportSheet(context, sheet_ref);
    if (!context.DbRecordset) throw PlatformError("The database connection is not open.");
    context.DbRecordset->Open(sql_text);
    const std::int16_t count = CountRecords(context);
    if (count > 0) WriteRecords(context, count, begin_row, begin_col, by_column);
    context.DbRecordset->Close();
    return true;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(context);
    LogError(context, "Failed to execute function 1.", error.what());
    return false;
  }
}

}  // namespace tallyvane
