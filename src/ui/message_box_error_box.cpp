#include "ui/message_box_error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>

#include "ui/qt_text.h"
#include "ui/question_box.h"

namespace tallyvane {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool HasDisplay() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"); }

void EnsureGuiApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "tallyvane";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit Qt's own globals may already be gone, and
  // destroying the application after them crashes the ending process.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

void MessageBoxErrorBox::Show(const std::string& prompt) {
  EnsureGuiApplication();
  QString text = FromUtf8(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Tallyvane"), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  // The whole message, also for copying: a driver's reason names paths
  // and sockets that the operator needs letter for letter.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  FitBoxToTitle(box);
  box.exec();
}

}  // namespace tallyvane
