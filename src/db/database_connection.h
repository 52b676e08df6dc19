#pragma once
// The one database connection of a run.

namespace tallyvane {

struct RunLog;
struct RunSession;
struct RunSettings;
class PlatformFactory;

bool ConnectDatabase(const RunLog& log, const RunSettings& settings, PlatformFactory& platform, RunSession& session);
bool DisconnectDatabase(const RunLog& log, RunSession& session);

}  // namespace tallyvane
