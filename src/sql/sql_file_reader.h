#pragma once
// Reading the lines of one SQL file into statements behind their function
// lines, with comments stripped and run parameters substituted. Pure: the
// file's lines come in, its statements go out; running them is the SQL file
// list's business.
#include <string>
#include <vector>

namespace tallyvane {

// A run parameter as the SQL text sees it: every occurrence of the name is
// replaced by the value.
struct SqlParameter {
  std::string name;
  std::string value;
};

// One gathered statement with the label and fields of its function line and
// the number of the line where it begins (its function line, if any).
struct SqlStatement {
  std::string label;
  std::string fields;
  std::string text;
  long line = 0;
};

// The statements of a file in file order. A line that cannot be read ends
// the reading: error then says why, naming its line number, and statements
// holds those gathered before it.
struct SqlFileStatements {
  std::vector<SqlStatement> statements;
  std::string error;
};

SqlFileStatements ReadSqlStatements(const std::vector<std::string>& lines, const std::vector<SqlParameter>& parameters);

// Skips leading whitespace and drops a "#" comment outside quotes. Throws
// PlatformError when the part before the comment is 32,767 characters or
// longer, as positions in a line are 16-bit.
std::string StripComment(const std::string& line);

// Replaces every parameter name by its value, the first declared name
// winning; substituted values are not scanned again.
std::string SubstituteParameters(const std::vector<SqlParameter>& parameters, const std::string& line);

}  // namespace tallyvane
