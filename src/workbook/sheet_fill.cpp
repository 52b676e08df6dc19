// Output functions 1 and 2: a statement's records into a worksheet.
#include <exception>

#include "log/run_console.h"
#include "log/run_log.h"
#include "platform/interruption.h"
#include "platform/number_text.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "workbook/cell_value.h"
#include "workbook/output_functions.h"

namespace tallyvane {
namespace {

void LocateReportSheet(RunSession& session, const std::string& sheet_ref) {
  if (!session.ReportWorkbook) throw PlatformError("The report workbook is not open.");
  session.ReportSheet = FindReportSheet(*session.ReportWorkbook, sheet_ref);
}

// Counts the records and moves back to the first; the 32,768th record
// fails with "Overflow" before anything is written.
std::int16_t CountRecords(Recordset& records) {
  std::int16_t count = 0;
  while (!records.Eof()) {
    StopIfInterrupted();
    count = CheckedAdd16(count, 1);
    records.MoveNext();
  }
  if (count > 0) records.MoveFirst();
  return count;
}

// One record per row, or per column when by_column is set.
void WriteRecords(const RunSession& session, RunConsole* console, std::int16_t count, std::int16_t begin_row,
                  std::int16_t begin_col, bool by_column) {
  Recordset& records = *session.DbRecordset;
  Worksheet& sheet = *session.ReportSheet;
  const std::int16_t outer_begin = by_column ? begin_col : begin_row;
  const std::int16_t inner_begin = by_column ? begin_row : begin_col;
  // The bounds are 16-bit, like the row and column numbers themselves: a
  // bound past 32,767 fails before the first cell of its loop.
  const std::int16_t outer_end = CheckedAdd16(CheckedAdd16(outer_begin, count), -1);
  // Each record is written once: the cells then hold the only copy.
  records.ReleasePassedRecords();
  for (long outer = outer_begin; outer <= outer_end; ++outer) {
    StopIfInterrupted();
    const int field_count = records.FieldCount();
    const std::int16_t inner_end = CheckedAdd16(CheckedAdd16(inner_begin, field_count), -1);
    for (long inner = inner_begin; inner <= inner_end; ++inner) {
      const int field = static_cast<int>(inner - inner_begin);
      const Value value = CellValueOf(records.FieldValue(field), field + 1, records.FieldName(field));
      const int row = static_cast<int>(by_column ? inner : outer);
      const int column = static_cast<int>(by_column ? outer : inner);
      sheet.SetCellValue(row, column, value);
    }
    records.MoveNext();
    if (console != nullptr) console->RecordWritten();
  }
}

// Room for the records: the two rows (columns) from the begin row (column)
// grow to as many as there are records, so totals and charts below grow.
void InsertRoom(const RunSession& session, std::int16_t count, std::int16_t begin_row, std::int16_t begin_col,
                bool by_column) {
  if (count <= 2) return;
  Worksheet& sheet = *session.ReportSheet;
  if (by_column) {
    sheet.InsertColumns(CheckedAdd16(begin_col, 1), count - 2);
  } else {
    sheet.InsertRows(CheckedAdd16(begin_row, 1), count - 2);
  }
}

// A cell holds at most 32,767 characters (UTF-16 code units): a longer
// text is read only a little past that, enough for the cell to refuse it,
// instead of whole (a text field may hold gigabytes). The limit is the
// statement's own: the record set is shared with the other functions.
constexpr std::size_t kCellTextReadLimit = 32767 + 2;

class CellTextLimit {
 public:
  explicit CellTextLimit(Recordset& records) : records_(records) { records_.SetTextLimit(kCellTextReadLimit); }
  ~CellTextLimit() { records_.SetTextLimit(0); }
  CellTextLimit(const CellTextLimit&) = delete;
  CellTextLimit& operator=(const CellTextLimit&) = delete;

 private:
  Recordset& records_;
};

bool ExecSheetFunction(const RunLog& log, RunSession& session, int function, const std::string& sheet_ref,
                       std::int16_t begin_row, std::int16_t begin_col, bool by_column, const std::string& sql_text) {
  try {
    // The statement runs only once its worksheet is found.
    LocateReportSheet(session, sheet_ref);
    if (!session.DbRecordset) throw PlatformError("The database connection is not open.");
    const CellTextLimit limit(*session.DbRecordset);
    session.DbRecordset->Open(sql_text);
    const std::int16_t count = CountRecords(*session.DbRecordset);
    if (function == 2) InsertRoom(session, count, begin_row, begin_col, by_column);
    if (count > 0) WriteRecords(session, log.wiring.Console, count, begin_row, begin_col, by_column);
    session.DbRecordset->Close();
    return true;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(session);
    LogError(log, "Failed to execute function " + std::to_string(function) + ".", error.what());
    return false;
  }
}

}  // namespace

std::unique_ptr<Worksheet> FindReportSheet(Workbook& workbook, const std::string& sheet_ref) {
  try {
    return workbook.WorksheetByName(sheet_ref);
  } catch (const PlatformError&) {
    if (!IsNumericText(sheet_ref)) throw;
  }
  return workbook.WorksheetByIndex(ToInt16(sheet_ref));
}

bool ExecFunction1(const RunLog& log, RunSession& session, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text) {
  return ExecSheetFunction(log, session, 1, sheet_ref, begin_row, begin_col, by_column, sql_text);
}

bool ExecFunction2(const RunLog& log, RunSession& session, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text) {
  return ExecSheetFunction(log, session, 2, sheet_ref, begin_row, begin_col, by_column, sql_text);
}

void CloseRecordsetQuietly(RunSession& session) {
  try {
    if (session.DbRecordset && session.DbRecordset->State()) session.DbRecordset->Close();
  } catch (const std::exception&) {
  }
}

}  // namespace tallyvane
