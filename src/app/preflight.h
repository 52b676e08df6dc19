#pragma once
// The check of a configuration before its first run: reads everything a
// run would read, asks the driver to prepare every statement, and changes
// nothing (no log, no report, no configuration write, no statement run).
#include <ostream>

namespace tallyvane {

struct RunContext;

// Prints every problem in file order and a closing count to out. Returns
// 0 when nothing would fail (warnings allowed), 1 otherwise.
int RunPreflight(RunContext& context, std::ostream& out);

}  // namespace tallyvane
