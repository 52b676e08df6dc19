#pragma once
// A main window over a real run context: real files, the real run, the
// real error box; only the desktop's opener answers for the desktop, and
// a script answers the modal windows as an operator would.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/platform_factory.h"
#include "run/run_context.h"
#include "temp_dir.h"
#include "ui/desktop_opener.h"
#include "ui/frm_main.h"
#include "ui/message_box_error_box.h"

namespace tallyvane::test {

// What a message box showed.
struct BoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Each step waits for its modal window to become the active one and acts
// on it once. The script fails the test for every step that never found
// its window and closes what stays open, so that no test can hang.
class ModalScript {
 public:
  ModalScript() {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(5);
    age_.start();
  }
  ~ModalScript();
  // The window with that object name, or a message box for "QMessageBox".
  void When(const QString& name, std::function<void(QWidget*)> act) { steps_.push_back({name, std::move(act)}); }
  // Clicks the button of the next message box and records what it showed.
  void AnswerMessageBox(QMessageBox::StandardButton button, BoxSeen* seen = nullptr);

 private:
  struct Step {
    QString name;
    std::function<void(QWidget*)> act;
    bool done = false;
  };
  void Poll();
  std::vector<Step> steps_;
  bool acting_ = false;
  QTimer poll_;
  QElapsedTimer age_;
};

// Records each request and answers with a chosen shell result.
struct RecordingOpener : DesktopOpener {
  long Open(const ShellRequest& request) override {
    requests.push_back(request);
    return result;
  }
  long result = 42;
  std::vector<ShellRequest> requests;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    context_.wiring.Time = &clock_;
    context_.wiring.Platform = platform_.get();
    context_.wiring.Errors = &error_box_;
    context_.Interactive = true;
    context_.wiring.FileSystem = std::make_unique<FileSystem>();
    window_ = std::make_unique<FrmMain>(context_, &opener_);
    window_->show();
  }
  template <typename T = QLineEdit>
  T* Find(const char* name) const {
    T* widget = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void SetConfigBox(const std::string& text) { Find("txtIniFileName")->setText(QString::fromStdString(text)); }
  std::string LogPath() const { return folder_.File("run.log"); }
  // A configuration with the [PARAMETER] lines given, its log in the test
  // folder: the run gets past its settings and stops at the connection.
  std::string WriteConfig(const std::string& parameter_section = "");

  TempDir folder_;
  SystemClock clock_;
  std::unique_ptr<PlatformFactory> platform_ = CreateRealPlatformFactory();
  MessageBoxErrorBox error_box_;
  RecordingOpener opener_;
  RunContext context_;
  std::unique_ptr<FrmMain> window_;
};

}  // namespace tallyvane::test
