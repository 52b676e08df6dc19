// Renders the windows after a real run into PNG files, so that their layout
// can be checked by eye: the main window after a run, the parameter dialog
// and the about box. Not a test; run it on demand under a display.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "app/run_context.h"
#include "platform/clock.h"
#include "platform/platform_factory.h"
#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/frm_parameter.h"
#include "ui/message_box_error_box.h"

namespace {

// Takes the parameter dialog's values with OK and answers every message box
// with Yes, or OK.
void AnswerModalWindows() {
  auto* timer = new QTimer(QApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->objectName() == QLatin1String("frmParameter")) {
      // Clicked later: OK asks its own question, which this timer must be
      // free to answer.
      if (auto* ok = modal->findChild<QAbstractButton*>(QStringLiteral("cmdOK")))
        QTimer::singleShot(0, ok, &QAbstractButton::click);
      return;
    }
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    std::fprintf(stderr, "message box: %s\n", box->text().toStdString().c_str());
    QAbstractButton* button = box->button(QMessageBox::Yes);
    if (button == nullptr) button = box->button(QMessageBox::Ok);
    if (button != nullptr) button->click();
  });
  timer->start(20);
}

bool Save(QWidget& widget, const std::string& path) {
  QApplication::processEvents();
  const bool saved = widget.grab().save(QString::fromStdString(path), "PNG");
  std::fprintf(stderr, "%s %s\n", saved ? "saved" : "cannot save", path.c_str());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s configuration.ini main-window.png [dialogs-prefix]\n", argv[0]);
    return 2;
  }
  using namespace tallyvane;
  EnsureGuiApplication();
  SystemClock clock;
  std::unique_ptr<PlatformFactory> platform = CreateRealPlatformFactory();
  MessageBoxErrorBox error_box;
  RunContext context;
  context.Time = &clock;
  context.Platform = platform.get();
  context.Errors = &error_box;
  context.Interactive = true;
  context.CfgFileName = argv[1];

  FrmMain window(context);
  window.show();
  AnswerModalWindows();
  window.Start();
  bool saved = Save(window, argv[2]);
  if (argc > 3) {
    const std::string prefix = argv[3];
    FrmAbout about(&window);
    about.show();
    saved &= Save(about, prefix + "-about.png");
    FrmParameter parameters(context, &window);
    parameters.show();
    saved &= Save(parameters, prefix + "-parameters.png");
  }
  return saved ? 0 : 1;
}
