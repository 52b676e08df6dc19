#include <exception>

#include "app/run_context.h"
#include "log/run_log.h"
#include "platform/number_text.h"
#include "platform/platform_error.h"
#include "workbook/output_functions.h"
#include "workbook/sheet_fill.h"

namespace tallyvane {
namespace {

// Room for the records: the two rows (columns) from the begin row (column)
// grow to as many as there are records, so totals and charts below grow.
void InsertRoom(RunContext& context, std::int16_t count, std::int16_t begin_row,
                std::int16_t begin_col, bool by_column) {
  if (count <= 2) return;
  Worksheet& sheet = *context.ReportSheet;
  if (by_column) {
    sheet.InsertColumns(CheckedAdd16(begin_col, 1), count - 2);
  } else {
    sheet.InsertRows(CheckedAdd16(begin_row, 1), count - 2);
  }
}

}  // namespace

bool ExecFunction2(RunContext& context, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text) {
  try {
    LocateReportSheet(context, sheet_ref);
    if (!context.DbRecordset) throw PlatformError("The database connection is not open.");
    context.DbRecordset->Open(sql_text);
    const std::int16_t count = CountRecords(context);
    InsertRoom(context, count, begin_row, begin_col, by_column);
    if (count >= 1) WriteRecords(context, count, begin_row, begin_col, by_column);
    context.DbRecordset->Close();
    return true;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(context);
    LogError(context, "Failed to execute function 2.", error.what());
    return false;
  }
}

}  // namespace tallyvane
