#pragma once
// A main window over a real run context: real files, the real run, the
// real error box; only the desktop's opener answers for the desktop.
#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "modal_script.h"
#include "platform/clock.h"
#include "platform/platform_factory.h"
#include "temp_dir.h"
#include "ui/desktop_opener.h"
#include "ui/frm_main.h"
#include "ui/message_box_error_box.h"

namespace tallyvane::test {

// Records each request and answers with a chosen shell result.
class RecordingOpener : public DesktopOpener {
 public:
  long Open(const ShellRequest& request) override {
    requests.push_back(request);
    return result;
  }
  long result = 42;
  std::vector<ShellRequest> requests;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  template <typename T>
  T* Find(const char* name) const {
    T* widget = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString BoxText(const char* name) const;
  void SetConfigBox(const std::string& text);

  // A configuration whose log goes into the test folder; the template and
  // the data source are as given, with the [PARAMETER] lines given.
  std::string WriteConfig(const std::string& template_file, const std::string& dsn,
                          const std::string& parameter_section = "");
  std::string LogPath() const { return folder_.File("run.log"); }
  // A run that gets past its settings and stops at the connection.
  std::string WriteConfigFailingAtConnection(const std::string& parameter_section = "");

  TempDir folder_;
  SystemClock clock_;
  std::unique_ptr<PlatformFactory> platform_;
  MessageBoxErrorBox error_box_;
  RecordingOpener opener_;
  RunContext context_;
  std::unique_ptr<FrmMain> window_;
};

}  // namespace tallyvane::test
