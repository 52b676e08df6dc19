#pragma once
// The program's entry: the command line, the mode, the configuration file,
// then either the main window or one unattended run.
#include <functional>
#include <string>
#include <vector>

namespace tallyvane {

struct RunContext;
class FileSystem;

struct StartupEnvironment {
  std::string command_text;  // the arguments after the program's name
  std::string program_path;  // the running program file
  std::string windir;        // the value of the variable windir, if any
};

// Shows the main window and returns the status with which the program ends.
using InteractiveMode = std::function<int(RunContext&)>;

// Where the default configuration file is looked for, in order: the
// program's name with ".ini" in the program's folder, then in the windir
// folder when windir is set.
std::vector<std::string> DefaultConfigCandidates(const StartupEnvironment& environment);

// The default configuration file: the program's name with ".ini", in the
// program's folder, then in the windir folder; empty when neither exists.
std::string FindDefaultConfigFile(const FileSystem& files, const StartupEnvironment& environment);

// Returns the process's exit status.
int Main(RunContext& context, const StartupEnvironment& environment, const InteractiveMode& interactive_mode);

}  // namespace tallyvane
