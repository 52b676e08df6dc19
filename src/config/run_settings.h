#pragma once
// The file and database settings of a run, and the run log's creation.

namespace tallyvane {

struct RunContext;

// Reads the settings, creates the log with its opening lines and checks
// what a run cannot do without. False stops the run.
bool LoadRunSettings(RunContext& context);

}  // namespace tallyvane
