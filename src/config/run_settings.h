#pragma once
// The file and database settings of a run, and the run log's creation.

#include <string>
#include <vector>

namespace tallyvane {

struct RunLog;
struct RunSettings;
class Clock;
class FileSystem;

// Reads the settings, creates the log with its opening lines and checks
// what a run cannot do without. False stops the run; a log or report that
// would overwrite a file the run reads stops it before anything is created.
bool LoadRunSettings(const RunLog& log, RunSettings& settings);

// Reads the settings as a run does, without creating the log, and returns
// every problem that would stop a run, in the run's order, with the folders
// the log and the report would be created in.
std::vector<std::string> CheckRunSettings(RunSettings& settings, const FileSystem& files, const Clock* clock);

}  // namespace tallyvane
