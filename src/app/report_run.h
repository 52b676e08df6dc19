#pragma once
// One report run, from the settings to the last log line.
#include <string>

namespace tallyvane {

struct RunContext;

enum class RunOutcome {
  Finished,     // reached its end; the error count says how well
  Stopped,      // settings, connection or report workbook failed
  Aborted,      // an error that no step traps ended it where it happened
  Interrupted,  // a termination signal or Stop ended it at a safe point
};

struct RunResult {
  RunOutcome outcome = RunOutcome::Finished;
  std::string error;    // the description, for Aborted
  bool logged = false;  // Aborted: the error is in the log and counted
};

RunResult RunReport(RunContext& context);

// The process's exit status for an unattended run: 0 finished without
// errors, 1 finished with errors logged, 2 stopped early (also by a
// termination signal).
int ExitStatusOf(const RunResult& result, long error_count);

}  // namespace tallyvane
