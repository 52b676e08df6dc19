#pragma once
// Where the running program lives: its folder is where the default
// configuration and the help document are found.
#include <string>

namespace tallyvane {

// The real path of the running executable (links resolved).
std::string ProgramPath();
// The program file's folder.
std::string ProgramFolder();

}  // namespace tallyvane
