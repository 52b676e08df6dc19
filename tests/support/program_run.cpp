#include "program_run.h"

#include "shell_command.h"
#include "temp_dir.h"

namespace tallyvane::test {

ProgramRun RunProgram(const std::string& arguments, const std::string& folder, const ProgramStart& start) {
  const TempDir apart;
  std::string command = "cd " + ShellQuote(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  if (start.display) command += "QT_QPA_PLATFORM=offscreen ";
  if (!start.odbc_ini.empty()) command += "ODBCINI=" + ShellQuote(start.odbc_ini) + " ";
  command += "timeout 60 " + start.wrapper + " " + ShellQuote(TALLYVANE_PROGRAM) + " " + arguments + " 2>" +
             ShellQuote(apart.File("error"));
  ProgramRun run;
  run.output = RunCommand(command, &run.status);
  run.error = ReadFileBytes(apart.File("error"));
  return run;
}

}  // namespace tallyvane::test
