#pragma once
// The desktop's opener of documents behind a seam: the real one runs
// xdg-open, tests answer with any numeric shell result.
#include <string>

class QWidget;

namespace tallyvane {

// Values of the show command that the shell request carries.
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowDefault = 10;

struct ShellRequest {
  QWidget* owner = nullptr;
  std::string verb;
  std::string target;
  std::string parameters;
  std::string folder;
  int show_command = kShowNormal;
};

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // Returns the shell's numeric result: above 32 when the request was
  // accepted, a failure code of the failure table otherwise.
  virtual long Open(const ShellRequest& request) = 0;
};

// Opens documents with the program that the desktop associates with them.
// xdg-open takes a document only: the verb, the parameters and the show
// command have no counterpart there; the folder becomes the working folder.
class XdgOpenOpener : public DesktopOpener {
 public:
  long Open(const ShellRequest& request) override;
};

// xdg-open's exit status as a shell result: 0 accepted, 2 (file missing)
// as "File not found", 3 (no tool found) as "No application is associated
// with this file type.", anything else as the table's general failure.
long ShellResultOfXdgOpenStatus(int exit_status);

}  // namespace tallyvane
