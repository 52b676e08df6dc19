#pragma once
// The declared run parameters of the configuration file, with the
// command-line values applied.

namespace tallyvane {

struct RunContext;

void LoadParameters(RunContext& context);

}  // namespace tallyvane
