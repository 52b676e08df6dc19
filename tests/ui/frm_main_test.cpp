// The main window: its controls, its commands from menus, toolbar and
// keys, the Start flow and what the run shows in it. The run's own rules
// (log view, counters) are tested with the run log and the run driver.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <functional>

#include "fake_platform.h"
#include "main_window_fixture.h"
#include "ui/help_document.h"

namespace tallyvane::test {
namespace {

QString ErrorPrompt(const std::string& message) {
  return QStringLiteral("Error!\nError Info: ") + QString::fromStdString(message);
}

QStringList Names(const QList<QAction*>& actions, const char* property = nullptr) {
  QStringList names;
  for (QAction* action : actions) names << (property ? action->property(property).toString() : action->objectName());
  return names;
}

// The controls' captions; each command, given from its menu item, its
// toolbar button and its shortcut key, opens the same window; a toolbar
// key in another case names no command.
TEST_F(MainWindowTest, ControlsAndTheCommandsOfMenusToolbarAndKeys) {
  EXPECT_EQ(window_->windowTitle(), "Tallyvane");
  for (const auto& [name, caption] : {std::pair("Label1", "Configuration File"), std::pair("Label4", "Log File"),
                                      std::pair("Label7", "Errors Count"), std::pair("Label8", "Log Information")})
    EXPECT_EQ(Find<QLabel>(name)->text(), caption) << name;
  EXPECT_FALSE(Find("txtIniFileName")->isReadOnly());
  for (const char* name : {"txtTemplateFileName", "txtReportFileName", "txtLogFlieName", "txtErrorCnt"})
    EXPECT_TRUE(Find(name)->isReadOnly()) << name;
  EXPECT_EQ(Names(Find<QMenu>("mnuFile")->actions()),
            QStringList({"mnuFConfiguration", "mnuFOpenLog", "mnuFOpenReport", "mnuFDelimiter1", "mnuFExit"}));
  QToolBar* toolbar = Find<QToolBar>("Toolbar1");
  EXPECT_EQ(Names(toolbar->actions(), "key"), QStringList({"CfgFile", "Start", "Help"}));
  ASSERT_FALSE(std::filesystem::exists(HelpDocumentPath()));
  const std::tuple<const char*, const char*, QKeySequence, QString> commands[] = {
      {"mnuFConfiguration", "&Open Configuration File...", QKeySequence(Qt::CTRL | Qt::Key_O), QString()},
      {"mnuRStart", "&Start", QKeySequence(Qt::Key_F5), ErrorPrompt("Configuration file \"\" does not exist.")},
      {"mnuHContent", "&Help Content", QKeySequence(Qt::Key_F1),
       ErrorPrompt("Help file \"" + HelpDocumentPath() + "\" does not exist.")},
  };
  for (int command = 0; command < 3; ++command) {
    const auto& [menu_item, caption, shortcut, prompt] = commands[command];
    SCOPED_TRACE(menu_item);
    EXPECT_EQ(Find<QAction>(menu_item)->text(), caption);
    EXPECT_EQ(Find<QAction>(menu_item)->shortcut(), shortcut);
    QAction* tool = toolbar->actions()[command];
    EXPECT_FALSE(tool->icon().isNull());
    const std::function<void()> ways[] = {
        [&, item = menu_item] { Find<QAction>(item)->trigger(); },
        [&] { QTest::mouseClick(toolbar->widgetForAction(tool), Qt::LeftButton); },
        [&, keys = shortcut] {
          QApplication::setActiveWindow(window_.get());  // a shortcut reaches the active window only
          ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
          QTest::keySequence(window_.get(), keys);
        },
    };
    for (const auto& give : ways) {
      SetConfigBox("");
      ModalScript script;
      BoxSeen seen;
      if (prompt.isEmpty()) {
        script.When("dlgCfgFile", [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
      } else {
        script.AnswerMessageBox(QMessageBox::Ok, &seen);
      }
      give();
      EXPECT_EQ(seen.text, prompt);
    }
  }
  EXPECT_TRUE(opener_.requests.empty()) << "a missing help document is not opened";
  window_->OnToolbarButton(QStringLiteral("start"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, StartTrimsTheTypedPathAndAsksBeforeARun) {
  const std::string missing = folder_.File("missing.ini");
  const std::string existing = WriteConfig();
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"   ", "", false}, {"  " + missing + "  ", missing, false}, {"   " + existing + " ", existing, true}};
  context_.settings.DefaultConfigPlaces = {"/opt/t/tallyvane.ini", "/w/tallyvane.ini"};  // as start-up found them
  for (const auto& [typed, stored, exists] : cases) {
    SetConfigBox(typed);
    ModalScript script;
    BoxSeen seen;
    script.AnswerMessageBox(exists ? QMessageBox::No : QMessageBox::Ok, &seen);  // No: no run starts
    window_->Start();
    EXPECT_EQ(context_.settings.CfgFileName, stored);
    EXPECT_EQ(Find("txtIniFileName")->text().toStdString(), typed) << "the box keeps the text as typed";
    EXPECT_EQ(seen.text, exists ? QStringLiteral("Generate report?")
                                : ErrorPrompt("Configuration file \"" + stored + "\" does not exist." +
                                              (stored.empty() ? " The default configuration was looked for as "
                                                                "\"/opt/t/tallyvane.ini\" and \"/w/tallyvane.ini\"."
                                                              : "")));
    EXPECT_FALSE(std::filesystem::exists(LogPath())) << "no run may start";
  }
}

// What the window shows while a run goes, seen from the events of one of
// its boxes: the run gives the event loop no turn.
class RunProbe : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = static_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::EnabledChange && !box->isEnabled()) {
      const QCursor* cursor = QApplication::overrideCursor();
      busy_while_disabled = cursor != nullptr && cursor->shape() == Qt::BusyCursor;
    }
    if (event->type() == QEvent::Paint && !box->isEnabled()) painted_while_disabled << box->text();
    return false;
  }
  bool busy_while_disabled = false;
  QStringList painted_while_disabled;
};

// A run disables the window while it goes and leaves it usable, whether it
// ends or a failure that no step traps aborts it: that leaves no log line,
// the operator learns of it in the error box. So does a run that a failed
// step stopped: its error shows whole, where the log view may cut it.
TEST_F(MainWindowTest, ARunDisablesTheWindowShowsItsFilesAndLeavesTheWindowUsable) {
  RunProbe probe;
  Find("txtTemplateFileName")->installEventFilter(&probe);
  FakeJournal journal;
  FakePlatform platform(journal);
  context_.wiring.Platform = &platform;
  SetConfigBox(WriteConfig());
  for (const bool aborted : {true, false}) {
    journal.failing = {aborted ? "CreateSpreadsheetApp" : "Connection.Open"};
    ModalScript script;
    BoxSeen error;
    script.AnswerMessageBox(QMessageBox::Yes);
    script.AnswerMessageBox(QMessageBox::Ok, &error);
    window_->Start();
    EXPECT_EQ(error.text, aborted ? ErrorPrompt("CreateSpreadsheetApp failed")
                                  : ErrorPrompt("Failed to connect to database. DSN=TallyvaneNoSuchSource\n"
                                                "Connection.Open failed"));
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_TRUE(probe.busy_while_disabled);
  EXPECT_TRUE(probe.painted_while_disabled.contains(QString::fromStdString(folder_.File("template.xlsx"))));
  const std::pair<const char*, std::string> boxes[] = {{"txtTemplateFileName", folder_.File("template.xlsx")},
                                                       {"txtReportFileName", folder_.File("report.xlsx")},
                                                       {"txtLogFlieName", LogPath()},
                                                       {"txtSQLFileCnt", "0"},
                                                       {"txtSQLStmCnt", "0"},
                                                       {"txtErrorCnt", "1"}};
  for (const auto& [name, text] : boxes) EXPECT_EQ(Find(name)->text().toStdString(), text) << name;
  // The log's CR LF line ends show as plain line breaks.
  const QString log = Find<QPlainTextEdit>("txtLogInfo")->toPlainText();
  EXPECT_TRUE(log.startsWith("Tallyvane 1.4.0\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("\nError: Failed to connect to database. DSN=TallyvaneNoSuchSource")) << log.toStdString();
}

// The dialog opens beside the configuration; Cancel keeps what was there,
// the last pick included.
TEST_F(MainWindowTest, FileDialogOpensBesideTheConfigurationAndKeepsItsPick) {
  const std::string first = WriteConfig();
  std::filesystem::create_directory(folder_.File("other"));
  const std::string second = folder_.Write("other/month.ini", "[FILE]\n");
  // The configuration before, the file picked (none: Cancel), the box after.
  const std::tuple<std::string, std::string, std::string> steps[] = {
      {"typed.ini", "", "typed.ini"}, {first, second, second}, {first, "", second}};
  for (const auto& [config, pick, expected] : steps) {
    context_.settings.CfgFileName = config;
    SetConfigBox(config);
    ModalScript script;
    script.When("dlgCfgFile", [&, pick = pick](QWidget* shown) {
      auto* dialog = static_cast<QFileDialog*>(shown);
      if (pick.empty()) return dialog->reject();
      EXPECT_EQ(dialog->windowTitle(), "Select Configuration File");
      EXPECT_EQ(dialog->nameFilters(), QStringList({"INI files (*.ini)", "All type files (*.*)"}));
      EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
      EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder_.path());
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(pick));
      static_cast<QDialog*>(dialog)->accept();
    });
    window_->OpenConfigurationFile();
    EXPECT_EQ(Find("txtIniFileName")->text().toStdString(), expected) << pick;
  }
  EXPECT_EQ(context_.settings.CfgFileName, second);
}

}  // namespace
}  // namespace tallyvane::test
