#pragma once
// One statement of an SQL file: counted, logged, handed to its output
// function, and its outcome logged.
#include <cstdint>
#include <string>

namespace tallyvane {

struct RunContext;

void DispatchStatement(RunContext& context, std::int16_t file_number, const std::string& label,
                       const std::string& fields, const std::string& sql_text);

// Output function 0: runs the statement and drops any result.
bool ExecuteOnly(RunContext& context, const std::string& sql_text);

}  // namespace tallyvane
