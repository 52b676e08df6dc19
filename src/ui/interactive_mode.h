#pragma once
// The interactive mode: the main window and the event loop.

namespace tallyvane {

struct RunContext;

// Shows frmMain and returns when it has been closed; the file-system
// object and the log stream are released then.
int RunInteractiveMode(RunContext& context);

}  // namespace tallyvane
