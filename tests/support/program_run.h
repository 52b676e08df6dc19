#pragma once
// Runs the built program as a scheduler or an operator would, in a folder
// of the test's own; a program that waits for a person is killed after a
// minute.
#include <string>

namespace tallyvane::test {

struct ProgramStart {
  std::string odbc_ini;  // the data source list it reads, when given
  bool display = false;  // started from a desktop session (offscreen) rather than without a display
  std::string wrapper;   // a command it runs under, e.g. one that gives it a terminal
};

struct ProgramRun {
  int status = -1;     // the exit status, -1 when the program did not exit
  std::string output;  // standard output
  std::string error;   // standard error
};

// Runs the program with the arguments (shell words as they stand) in folder.
ProgramRun RunProgram(const std::string& arguments, const std::string& folder, const ProgramStart& start = {});

}  // namespace tallyvane::test
