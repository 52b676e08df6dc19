#include "ui/g_shell.h"

#include <QFileInfo>
#include <QString>
#include <exception>

#include "run/program_folder.h"
#include "ui/qt_text.h"
#include "ui/shell_failure.h"

namespace tallyvane {
namespace {

bool NamesProgram(const std::string& target) { return FromUtf8(target).toUpper().contains(QStringLiteral(".EXE")); }

// The executable's name without its extension, then ".GShell".
std::string ErrorSource() {
  std::string name = "tallyvane";
  try {
    name = QFileInfo(FromUtf8(ProgramPath())).completeBaseName().toStdString();
  } catch (const std::exception&) {
    // The program's own name stands in when the path cannot be read.
  }
  return name + ".GShell";
}

}  // namespace

int ShowCommandFor(const std::string& target, const std::string& parameters, const std::string& folder) {
  if (parameters.empty() && folder.empty()) return kShowNormal;
  return NamesProgram(target) ? kShowHide : kShowDefault;
}

bool GShell(const std::string& target, int /*show_command*/, const std::string& parameters, const std::string& folder,
            const std::string& verb, QWidget* owner, DesktopOpener& opener, ShellError& error) {
  ShellRequest request;
  request.owner = owner;
  request.verb = verb;
  request.target = target;
  request.parameters = parameters;
  request.folder = folder;
  request.show_command = ShowCommandFor(target, parameters, folder);
  long result = 0;
  try {
    result = opener.Open(request);
  } catch (const std::exception&) {
    result = kShellGeneralFailure;  // the opener could not even be asked
  }
  const std::optional<ShellFailure> failure = ShellFailureOf(result);
  if (!failure) return true;
  error.number = failure->number;
  error.description = failure->description;
  error.source = ErrorSource();
  return false;
}

}  // namespace tallyvane
