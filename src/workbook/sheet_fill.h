#pragma once
// What functions 1 and 2 share: finding the worksheet, counting the
// records, and writing them cell by cell.
#include <cstdint>
#include <string>

namespace tallyvane {

struct RunContext;

// By name first; then, for numeric text, by position. Throws the last
// lookup's error when neither finds a worksheet.
void LocateReportSheet(RunContext& context, const std::string& sheet_ref);

// Counts the records of the open record set and moves back to the first.
// Counting stops at the first record past 32,767 with an "Overflow" error.
std::int16_t CountRecords(RunContext& context);

// Writes count records from (begin_row, begin_col), one record per row, or
// per column when by_column is set.
void WriteRecords(RunContext& context, std::int16_t count, std::int16_t begin_row,
                  std::int16_t begin_col, bool by_column);

// Closes the shared record set if it is open, whatever state it is in.
void CloseRecordsetQuietly(RunContext& context);

}  // namespace tallyvane
