#pragma once
// GShell: opens a document or starts a program through the desktop's
// opener and leaves an error record behind when that fails.
#include <string>

#include "ui/desktop_opener.h"

namespace tallyvane {

// The error record that GShell leaves; number 0 means no error.
struct ShellError {
  long number = 0;
  std::string description;
  std::string source;
};

// The show command that reaches the opener: normal when neither
// parameters nor a folder are given; otherwise hidden for a target that
// names a program (".EXE" anywhere, in any case) and default for others.
int ShowCommandFor(const std::string& target, const std::string& parameters, const std::string& folder);

// The caller's show command is not used; see ShowCommandFor. Returns true
// when the opener accepted the request; otherwise fills error from the
// failure table and returns false.
bool GShell(const std::string& target, int show_command, const std::string& parameters, const std::string& folder,
            const std::string& verb, QWidget* owner, DesktopOpener& opener, ShellError& error);

}  // namespace tallyvane
