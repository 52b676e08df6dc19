#include "program_run.h"

#include "shell_command.h"

namespace tallyvane::test {

ProgramRun RunProgram(const std::string& arguments, const std::string& folder, const std::string& odbc_ini) {
  std::string command = "cd " + ShellQuote(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  if (!odbc_ini.empty()) command += "ODBCINI=" + ShellQuote(odbc_ini) + " ";
  command += ShellQuote(TALLYVANE_PROGRAM) + " " + arguments + " 2>&1";
  ProgramRun run;
  run.output = RunCommand(command, &run.status);
  return run;
}

}  // namespace tallyvane::test
