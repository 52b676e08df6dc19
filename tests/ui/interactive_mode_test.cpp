// The interactive mode's entry: the window's life and what it releases.
#include "ui/interactive_mode.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane::test {
namespace {

// Without a display the operator learns how to run instead; with one,
// Exit closes the window and releases the run's objects.
TEST(InteractiveMode, TellsHowToRunWithoutADisplayAndReleasesTheRunObjectsOnExit) {
  TempDir folder;
  TestContext run;  // its error box keeps the prompt: nobody could close a box here
  std::vector<std::pair<const char*, QByteArray>> saved;
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    saved.emplace_back(name, qgetenv(name));
    qunsetenv(name);
  }
  EXPECT_EQ(RunInteractiveMode(run.context), 2);
  for (const auto& [name, value] : saved) {
    if (!value.isNull()) qputenv(name, value);
  }
  EXPECT_EQ(run.errors.prompts, std::vector<std::string>{"Error!\r\nError Info: Cannot show the main window: no "
                                                         "display is available. Set DISPLAY, or run unattended with "
                                                         "-C -F <configuration file>."});

  run.context.session.LogStream = run.context.wiring.FileSystem->CreateTextFile(folder.File("run.log"));
  run.context.settings.CfgFileName = "/srv/reports/month.ini";
  QString shown_name;
  QTimer::singleShot(0, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() != "frmMain" || !window->isVisible()) continue;
      shown_name = window->findChild<QWidget*>("txtIniFileName")->property("text").toString();
      window->findChild<QAction*>("mnuFExit")->trigger();
    }
  });
  EXPECT_EQ(RunInteractiveMode(run.context), 0);
  EXPECT_EQ(shown_name, "/srv/reports/month.ini");
  EXPECT_EQ(run.context.wiring.FileSystem, nullptr);
  EXPECT_EQ(run.context.session.LogStream, nullptr);
  EXPECT_EQ(run.context.wiring.View, nullptr);
}

}  // namespace
}  // namespace tallyvane::test
