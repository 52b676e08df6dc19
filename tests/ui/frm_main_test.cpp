// The main window: its controls, its commands from menus, toolbar and
// keys, the Start flow and what the run shows in it. The run's own rules
// (log view, counters) are tested with the run log and the run driver.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <functional>

#include "main_window_fixture.h"
#include "platform/platform_error.h"
#include "sqlite_data_source.h"
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

TEST_F(MainWindowTest, ControlsMenusAndToolbarCarryTheirNamesAndCaptions) {
  EXPECT_EQ(window_->windowTitle(), "Tallyvane");
  const std::pair<const char*, const char*> labels[] = {
      {"Label1", "Configuration File"}, {"Label4", "Log File"}, {"Label7", "Errors Count"}, {"Label8", "Log Information"}};
  for (const auto& [name, caption] : labels) EXPECT_EQ(Find<QLabel>(name)->text(), caption) << name;
  EXPECT_FALSE(Find<QLineEdit>("txtIniFileName")->isReadOnly());
  for (const char* name : {"txtTemplateFileName", "txtReportFileName", "txtLogFlieName", "txtErrorCnt"})
    EXPECT_TRUE(Find<QLineEdit>(name)->isReadOnly()) << name;
  const std::tuple<const char*, const char*, QKeySequence> items[] = {
      {"mnuFConfiguration", "&Open Configuration File...", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"mnuRStart", "&Start", QKeySequence(Qt::Key_F5)},
      {"mnuHContent", "&Help Content", QKeySequence(Qt::Key_F1)},
  };
  for (const auto& [name, caption, shortcut] : items) {
    EXPECT_EQ(Find<QAction>(name)->text(), caption);
    EXPECT_EQ(Find<QAction>(name)->shortcut(), shortcut) << name;
  }
  EXPECT_EQ(Names(Find<QMenu>("mnuFile")->actions()), QStringList({"mnuFConfiguration", "mnuFDelimiter1", "mnuFExit"}));
  EXPECT_EQ(Names(Find<QToolBar>("Toolbar1")->actions(), "key"), QStringList({"CfgFile", "Start", "Help"}));
  for (QAction* action : Find<QToolBar>("Toolbar1")->actions()) EXPECT_FALSE(action->icon().isNull());
}

// Each command, given from its menu item, its toolbar button and its
// shortcut key, opens the same window; a toolbar key in another case
// names no command.
TEST_F(MainWindowTest, MenusToolbarAndKeysRunTheSameCommands) {
  ASSERT_FALSE(std::filesystem::exists(HelpDocumentPath()));
  const std::tuple<const char*, const char*, QKeySequence, QString> commands[] = {
      {"mnuFConfiguration", "CfgFile", QKeySequence(Qt::CTRL | Qt::Key_O), QString()},
      {"mnuRStart", "Start", QKeySequence(Qt::Key_F5), ErrorPrompt("Configuration file \"\" does not exist.")},
      {"mnuHContent", "Help", QKeySequence(Qt::Key_F1),
       ErrorPrompt("Help file \"" + HelpDocumentPath() + "\" does not exist.")},
  };
  for (const auto& [menu_item, key, shortcut, prompt] : commands) {
    QToolBar* toolbar = Find<QToolBar>("Toolbar1");
    QAction* tool = toolbar->actions()[Names(toolbar->actions(), "key").indexOf(key)];
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
      SCOPED_TRACE(menu_item);
      SetConfigBox("");
      ModalScript script;
      BoxSeen seen;
      if (prompt.isEmpty()) {
        script.WhenNamed("dlgCfgFile", [](QWidget* dialog) { static_cast<QFileDialog*>(dialog)->reject(); });
      } else {
        script.AnswerMessageBox(QMessageBox::Ok, &seen);
      }
      give();
      EXPECT_EQ(seen.text, prompt);
    }
  }
  window_->OnToolbarButton(QStringLiteral("start"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, StartTrimsTheTypedPathAndAsksBeforeARun) {
  const std::string missing = folder_.File("missing.ini");
  const std::string existing = WriteConfigFailingAtConnection();
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"   ", "", false}, {"  " + missing + "  ", missing, false}, {"   " + existing + " ", existing, true}};
  for (const auto& [typed, stored, exists] : cases) {
    SetConfigBox(typed);
    ModalScript script;
    BoxSeen seen;
    script.AnswerMessageBox(exists ? QMessageBox::No : QMessageBox::Ok, &seen);  // No: no run starts
    window_->Start();
    EXPECT_EQ(context_.CfgFileName, stored);
    EXPECT_EQ(BoxText("txtIniFileName").toStdString(), typed) << "the box keeps the text as typed";
    EXPECT_EQ(seen.text, exists ? QStringLiteral("Generate report?")
                                : ErrorPrompt("Configuration file \"" + stored + "\" does not exist."));
    EXPECT_FALSE(std::filesystem::exists(LogPath())) << "no run may start";
  }
}

// Records the text of a box each time it is painted.
class PaintedTexts : public QObject {
 public:
  explicit PaintedTexts(QLineEdit* box) : box_(box) { box->installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) texts << box_->text();
    return QObject::eventFilter(watched, event);
  }
  QStringList texts;

 private:
  QLineEdit* box_;
};

// A run observed from inside: whether the window was disabled and busy,
// and what the template box had painted, when the run reached the
// connection. The spreadsheet engine fails on request.
class ProbingPlatform : public PlatformFactory {
 public:
  ProbingPlatform(PlatformFactory& real, QWidget& window, QLineEdit* painted)
      : real_(real), window_(window), painted_(painted) {}
  std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() override {
    if (fail_spreadsheet) throw PlatformError("the spreadsheet engine is not available");
    return real_.CreateSpreadsheetApp();
  }
  std::shared_ptr<DatabaseConnection> CreateDbConnection() override {
    enabled_during_run = window_.isEnabled();
    const QCursor* cursor = QApplication::overrideCursor();
    busy_during_run = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    painted_during_run = painted_.texts;
    return real_.CreateDbConnection();
  }
  std::unique_ptr<Recordset> CreateDbRecordset() override { return real_.CreateDbRecordset(); }

  bool enabled_during_run = true;
  bool busy_during_run = false;
  QStringList painted_during_run;
  bool fail_spreadsheet = false;

 private:
  PlatformFactory& real_;
  QWidget& window_;
  PaintedTexts painted_;
};

// A run disables the window while it goes and leaves it usable, whether it
// ends or a failure that no step traps aborts it: that leaves no log line,
// the operator learns of it in the error box.
TEST_F(MainWindowTest, ARunDisablesTheWindowShowsItsFilesAndLeavesTheWindowUsable) {
  ProbingPlatform probe(*platform_, *window_, Find<QLineEdit>("txtTemplateFileName"));
  context_.Platform = &probe;
  for (const bool aborted : {true, false}) {
    probe.fail_spreadsheet = aborted;
    SetConfigBox(aborted ? WriteConfig(folder_.Write("template.xlsx", "any"), SqliteDataSource::kName)
                         : WriteConfigFailingAtConnection());
    ModalScript script;
    BoxSeen error;
    script.AnswerMessageBox(QMessageBox::Yes);
    if (aborted) script.AnswerMessageBox(QMessageBox::Ok, &error);
    window_->Start();
    EXPECT_EQ(error.text, aborted ? ErrorPrompt("the spreadsheet engine is not available") : QString());
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_TRUE(context_.RunConfirmed);
  EXPECT_FALSE(probe.enabled_during_run);
  EXPECT_TRUE(probe.busy_during_run);
  // The run gives the event loop no turn: the boxes repaint themselves.
  EXPECT_TRUE(probe.painted_during_run.contains(QString::fromStdString(folder_.File("template.xlsx"))));
  const std::pair<const char*, std::string> boxes[] = {
      {"txtTemplateFileName", folder_.File("template.xlsx")}, {"txtReportFileName", folder_.File("report.xlsx")},
      {"txtLogFlieName", LogPath()}, {"txtSQLFileCnt", "0"}, {"txtSQLStmCnt", "0"}, {"txtErrorCnt", "1"}};
  for (const auto& [name, text] : boxes) EXPECT_EQ(BoxText(name).toStdString(), text) << name;
  const QString log = Find<QPlainTextEdit>("txtLogInfo")->toPlainText();
  EXPECT_TRUE(log.startsWith("Tallyvane 1.4.0\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("\nError: Failed to connect to database. DSN=TallyvaneNoSuchSource")) << log.toStdString();
}

// The dialog opens beside the configuration; Cancel keeps what was there,
// the last pick included.
TEST_F(MainWindowTest, FileDialogOpensBesideTheConfigurationAndKeepsItsPick) {
  const std::string first = WriteConfigFailingAtConnection();
  std::filesystem::create_directory(folder_.File("other"));
  const std::string second = folder_.Write("other/month.ini", "[FILE]\n");
  SetConfigBox("typed.ini");
  const std::function<void(QFileDialog*)> answers[] = {
      [](QFileDialog* dialog) { dialog->reject(); },
      [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Select Configuration File");
        EXPECT_EQ(dialog->nameFilters(), QStringList({"INI files (*.ini)", "All type files (*.*)"}));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder_.path());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(second));
        static_cast<QDialog*>(dialog)->accept();
      },
      [&](QFileDialog* dialog) { dialog->reject(); },
  };
  const std::string expected[] = {"typed.ini", second, second};
  for (int step = 0; step < 3; ++step) {
    if (step > 0) {
      context_.CfgFileName = first;
      SetConfigBox(first);
    }
    ModalScript script;
    script.WhenNamed("dlgCfgFile", [&](QWidget* dialog) { answers[step](static_cast<QFileDialog*>(dialog)); });
    window_->OpenConfigurationFile();
    EXPECT_EQ(BoxText("txtIniFileName").toStdString(), expected[step]) << step;
  }
  EXPECT_EQ(context_.CfgFileName, second);
}

}  // namespace
}  // namespace tallyvane::test
