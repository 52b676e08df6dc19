#pragma once
// The numbered SQL files of the configuration, processed in order.

namespace tallyvane {

struct RunContext;

// An F_MAXNUM that is not a 16-bit whole number throws: nothing here traps
// it, so it ends the run.
void RunSqlFileList(RunContext& context);

}  // namespace tallyvane
