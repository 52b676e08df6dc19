#include "workbook/sheet_fill.h"

#include <exception>

#include "app/run_context.h"
#include "platform/number_text.h"
#include "platform/platform_error.h"

namespace tallyvane {

void LocateReportSheet(RunContext& context, const std::string& sheet_ref) {
  if (!context.ReportWorkbook) throw PlatformError("The report workbook is not open.");
  try {
    context.ReportSheet = context.ReportWorkbook->WorksheetByName(sheet_ref);
    return;
  } catch (const PlatformError&) {
    if (!IsNumericText(sheet_ref)) throw;
  }
  context.ReportSheet = context.ReportWorkbook->WorksheetByIndex(ToInt16(sheet_ref));
}

std::int16_t CountRecords(RunContext& context) {
  Recordset& records = *context.DbRecordset;
  std::int16_t count = 0;
  while (!records.Eof()) {
    count = CheckedAdd16(count, 1);
    records.MoveNext();
  }
  if (count > 0) records.MoveFirst();
  return count;
}

void WriteRecords(RunContext& context, std::int16_t count, std::int16_t begin_row,
                  std::int16_t begin_col, bool by_column) {
  Recordset& records = *context.DbRecordset;
  Worksheet& sheet = *context.ReportSheet;
  const std::int16_t outer_begin = by_column ? begin_col : begin_row;
  const std::int16_t inner_begin = by_column ? begin_row : begin_col;
  // The bounds are 16-bit, like the row and column numbers themselves: a
  // bound past 32,767 fails before the first cell of its loop.
  const std::int16_t outer_end = CheckedAdd16(CheckedAdd16(outer_begin, count), -1);
  for (long outer = outer_begin; outer <= outer_end; ++outer) {
    const int field_count = records.FieldCount();
    const std::int16_t inner_end = CheckedAdd16(CheckedAdd16(inner_begin, field_count), -1);
    for (long inner = inner_begin; inner <= inner_end; ++inner) {
      Value value = records.FieldValue(static_cast<int>(inner - inner_begin));
      if (value.IsNull()) value = Value::MakeText(std::string());
      const int row = static_cast<int>(by_column ? inner : outer);
      const int column = static_cast<int>(by_column ? outer : inner);
      sheet.SetCellValue(row, column, value);
    }
    records.MoveNext();
  }
}

void CloseRecordsetQuietly(RunContext& context) {
  try {
    if (context.DbRecordset && context.DbRecordset->State()) context.DbRecordset->Close();
  } catch (const std::exception&) {
  }
}

}  // namespace tallyvane
