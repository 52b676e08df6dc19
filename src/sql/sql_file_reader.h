#pragma once
// Reading one SQL file into statements behind their function lines, with
// comments stripped and run parameters substituted.
#include <cstdint>
#include <functional>
#include <string>

namespace tallyvane {

struct RunContext;

void RunSqlFile(RunContext& context, std::int16_t file_number, const std::string& file_name);

// One gathered statement with the label and fields of its function line and
// the number of the line where it begins (its function line, if any).
struct SqlStatement {
  std::string label;
  std::string fields;
  std::string text;
  long line = 0;
};
using SqlStatementHandler = std::function<void(const SqlStatement&)>;

// Reads the file into statements, handing each over in file order. A line
// that cannot be read throws PlatformError naming its line number, after
// the statements before it have been handed over.
void ReadSqlStatements(const RunContext& context, const std::string& file_name, const SqlStatementHandler& handler);

// Skips leading whitespace and drops a "#" comment outside quotes. Throws
// PlatformError when the part before the comment is 32,767 characters or
// longer, as positions in a line are 16-bit.
std::string StripComment(const std::string& line);

// Replaces every parameter name by its value, the first declared name
// winning; substituted values are not scanned again.
std::string SubstituteParameters(const RunContext& context, const std::string& line);

}  // namespace tallyvane
