// The interactive mode's entry: the window's life and what it releases.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "app/run_context.h"
#include "platform/clock.h"
#include "temp_dir.h"
#include "test_context.h"
#include "ui/interactive_mode.h"

namespace tallyvane::test {
namespace {

TEST(InteractiveMode, ExitClosesTheWindowAndReleasesTheRunObjects) {
  TempDir folder;
  SystemClock clock;
  RunContext context;
  context.Time = &clock;
  context.FileSystem = std::make_unique<FileSystem>();
  context.LogStream = context.FileSystem->CreateTextFile(folder.File("run.log"));
  context.CfgFileName = "/srv/reports/month.ini";
  QString shown_name;
  QTimer::singleShot(0, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() != "frmMain" || !window->isVisible()) continue;
      shown_name = window->findChild<QWidget*>("txtIniFileName")->property("text").toString();
      window->findChild<QAction*>("mnuFExit")->trigger();
    }
  });
  EXPECT_EQ(RunInteractiveMode(context), 0);
  EXPECT_EQ(shown_name, "/srv/reports/month.ini");
  EXPECT_EQ(context.FileSystem, nullptr);
  EXPECT_EQ(context.LogStream, nullptr);
  EXPECT_EQ(context.View, nullptr);
}

TEST(InteractiveMode, WithoutADisplayTellsHowToRunInstead) {
  RunContext context;
  RecordingErrorBox prompt;  // nobody could close a box here
  context.Errors = &prompt;
  std::vector<std::pair<const char*, QByteArray>> saved;
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    saved.emplace_back(name, qgetenv(name));
    qunsetenv(name);
  }
  EXPECT_EQ(RunInteractiveMode(context), 2);
  for (const auto& [name, value] : saved) {
    if (!value.isNull()) qputenv(name, value);
  }
  EXPECT_EQ(prompt.prompts, std::vector<std::string>{
                                "Error!\r\nError Info: Cannot show the main window: no display is available. Set DISPLAY, or run "
            "unattended with -C -F <configuration file>."});
}

}  // namespace
}  // namespace tallyvane::test
