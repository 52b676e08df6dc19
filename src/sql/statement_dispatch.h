#pragma once
// One statement of an SQL file: counted, logged, handed to its output
// function, and its outcome logged.
#include <cstdint>
#include <string>

namespace tallyvane {

struct RunLog;
struct RunSession;

void DispatchStatement(const RunLog& log, RunSession& session, std::int16_t file_number, const std::string& label,
                       const std::string& fields, const std::string& sql_text);

// Output function 0: runs the statement and drops any result.
bool ExecuteOnly(const RunLog& log, RunSession& session, const std::string& sql_text);

}  // namespace tallyvane
