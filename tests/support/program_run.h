#pragma once
// Runs the built program as a scheduler would: unattended, without a
// display, in a folder of the test's own.
#include <string>

namespace tallyvane::test {

struct ProgramRun {
  int status = -1;     // the exit status, -1 when the program did not exit
  std::string output;  // standard output and standard error together
};

// Runs the program with the arguments (shell words as they stand) in
// folder; odbc_ini, when given, is the data source list it reads.
ProgramRun RunProgram(const std::string& arguments, const std::string& folder, const std::string& odbc_ini = "");

}  // namespace tallyvane::test
