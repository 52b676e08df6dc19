#pragma once
// Reading one SQL file into statements behind their function lines, with
// comments stripped and run parameters substituted.
#include <cstdint>
#include <string>

namespace tallyvane {

struct RunContext;

void RunSqlFile(RunContext& context, std::int16_t file_number, const std::string& file_name);

// Skips leading whitespace and drops a "#" comment outside quotes. Throws
// PlatformError when the part before the comment is 32,767 characters or
// longer, as positions in a line are 16-bit.
std::string StripComment(const std::string& line);

// Replaces every parameter name by its value, the first declared name
// winning; substituted values are not scanned again.
std::string SubstituteParameters(const RunContext& context, const std::string& line);

}  // namespace tallyvane
