#include "ui/desktop_opener.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "ui/qt_text.h"
#include "ui/shell_failure.h"

namespace tallyvane {
namespace {

constexpr long kAccepted = 33;
constexpr long kFileNotFound = 2;
constexpr long kNoAssociation = 31;
// xdg-open reports a missing viewer only after trying each one it knows,
// which takes seconds on a desktop without a browser. One still running
// after this long has started a viewer in the foreground.
constexpr int kLauncherWaitMs = 20000;

// Waits for the launcher's end, or the time limit, while the windows keep
// handling their events.
bool FinishedInTime(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return true;
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop, &QEventLoop::quit);
  limit.start(kLauncherWaitMs);
  while (process.state() != QProcess::NotRunning && limit.isActive()) {
    if (loop.exec() == -1) break;  // the program is ending
  }
  return process.state() == QProcess::NotRunning;
}

}  // namespace

long ShellResultOfXdgOpenStatus(int exit_status) {
  switch (exit_status) {
    case 0: return kAccepted;
    case 2: return kFileNotFound;
    case 3: return kNoAssociation;
    default: return kShellGeneralFailure;
  }
}

long XdgOpenOpener::Open(const ShellRequest& request) {
  auto* process = new QProcess(QCoreApplication::instance());
  if (!request.folder.empty()) process->setWorkingDirectory(FromUtf8(request.folder));
  process->start(QStringLiteral("xdg-open"), QStringList{FromUtf8(request.target)});
  if (!process->waitForStarted()) {
    delete process;
    return kNoAssociation;
  }
  if (!FinishedInTime(*process)) {
    // Leave the launcher running with the viewer it started; it removes
    // itself when it ends.
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
                     &QObject::deleteLater);
    return kAccepted;
  }
  const int status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
  delete process;
  return ShellResultOfXdgOpenStatus(status);
}

}  // namespace tallyvane
