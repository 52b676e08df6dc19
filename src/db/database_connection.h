#pragma once
// The one database connection of a run.

namespace tallyvane {

struct RunContext;

bool ConnectDatabase(RunContext& context);
bool DisconnectDatabase(RunContext& context);

}  // namespace tallyvane
