#pragma once
// The output functions that put a statement's result into the report
// workbook: 1 fills a sheet, 2 inserts room first, 3 assigns a defined name.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/spreadsheet.h"

namespace tallyvane {

struct RunLog;
struct RunSession;

bool ExecFunction1(const RunLog& log, RunSession& session, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text);
bool ExecFunction2(const RunLog& log, RunSession& session, const std::string& sheet_ref, std::int16_t begin_row,
                   std::int16_t begin_col, bool by_column, const std::string& sql_text);
bool ExecFunction3(const RunLog& log, RunSession& session, const std::string& name_ref, const std::string& sql_text);

// The worksheet of a function line: by name first; then, for numeric text,
// by position. Throws the last lookup's error when neither finds one.
std::unique_ptr<Worksheet> FindReportSheet(Workbook& workbook, const std::string& sheet_ref);

// Closes the shared record set if it is open, whatever state it is in, so
// that the next statement finds it closed after any failure.
void CloseRecordsetQuietly(RunSession& session);

}  // namespace tallyvane
