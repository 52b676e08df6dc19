// The main window: its controls, its commands from menus, toolbar and
// keys, the Start flow and the run's view.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <functional>

#include "log/run_log.h"
#include "platform/platform_error.h"
#include "main_window_fixture.h"
#include "ui/help_document.h"

namespace tallyvane::test {
namespace {

// The SQLite data source that the test program's own ODBC file declares.
const char* const kSqliteTestSource = "TallyvaneUiTest";
// Types the name into the file dialog's name box, as an operator would.
void TypeFileName(QFileDialog* dialog, const std::string& path) {
  auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name_box, nullptr);
  name_box->setText(QString::fromStdString(path));
}

const QString kQuestion = QStringLiteral("Generate report?");

QString ErrorPrompt(const std::string& message) {
  return QStringLiteral("Error!\nError Info: ") + QString::fromStdString(message);
}

TEST_F(MainWindowTest, ControlsCarryTheirNamesAndCaptions) {
  EXPECT_EQ(window_->objectName(), "frmMain");
  EXPECT_EQ(window_->windowTitle(), "Tallyvane");
  const std::pair<const char*, const char*> labels[] = {
      {"Label1", "Configuration File"}, {"Label2", "Report Template"},     {"Label3", "Report File"},
      {"Label4", "Log File"},           {"Label5", "SQL Files Count"},     {"Label6", "SQL Statements Count"},
      {"Label7", "Errors Count"},       {"Label8", "Log Information"},
  };
  for (const auto& [name, caption] : labels) EXPECT_EQ(Find<QLabel>(name)->text(), caption) << name;
  EXPECT_EQ(Find<QGroupBox>("fraRunTimeInfo")->title(), "Run Time Information");
  EXPECT_FALSE(Find<QLineEdit>("txtIniFileName")->isReadOnly());
  for (const char* name : {"txtTemplateFileName", "txtReportFileName", "txtLogFlieName", "txtSQLFileCnt",
                           "txtSQLStmCnt", "txtErrorCnt"}) {
    EXPECT_TRUE(Find<QLineEdit>(name)->isReadOnly()) << name;
  }
  EXPECT_TRUE(Find<QPlainTextEdit>("txtLogInfo")->isReadOnly());
  // Every box fits inside the window.
  for (QWidget* child : window_->centralWidget()->findChildren<QWidget*>()) {
    const QRect place(child->mapTo(window_->centralWidget(), QPoint(0, 0)), child->size());
    EXPECT_TRUE(window_->centralWidget()->rect().contains(place)) << child->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, MenusHaveTheirCaptionsAndShortcuts) {
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
  };
  const Item items[] = {
      {"mnuFConfiguration", "&Open Configuration File...", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"mnuFExit", "E&xit", QKeySequence()},
      {"mnuRStart", "&Start", QKeySequence(Qt::Key_F5)},
      {"mnuHContent", "&Help Content", QKeySequence(Qt::Key_F1)},
      {"mnuHAbout", "&About...", QKeySequence()},
  };
  for (const Item& item : items) {
    QAction* action = Find<QAction>(item.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), item.caption) << item.name;
    EXPECT_EQ(action->shortcut(), item.shortcut) << item.name;
  }
  const std::pair<const char*, const char*> menus[] = {
      {"mnuFile", "&File"}, {"mnuRun", "&Run"}, {"mnuHelp", "&Help"}};
  QStringList bar_titles;
  for (QAction* action : window_->menuBar()->actions()) bar_titles << action->text();
  EXPECT_EQ(bar_titles, QStringList({"&File", "&Run", "&Help"}));
  for (const auto& [name, title] : menus) EXPECT_EQ(Find<QMenu>(name)->title(), title);
  QStringList file_items;
  for (QAction* action : Find<QMenu>("mnuFile")->actions()) file_items << action->objectName();
  EXPECT_EQ(file_items, QStringList({"mnuFConfiguration", "mnuFDelimiter1", "mnuFExit"}));
  QStringList help_items;
  for (QAction* action : Find<QMenu>("mnuHelp")->actions()) help_items << action->objectName();
  EXPECT_EQ(help_items, QStringList({"mnuHContent", "mnuHDelimiter1", "mnuHAbout"}));
}

TEST_F(MainWindowTest, ToolbarHasThreeKeyedButtonsWithImagesAndTips) {
  auto* toolbar = Find<QToolBar>("Toolbar1");
  QStringList keys;
  QStringList tips;
  for (QAction* action : toolbar->actions()) {
    keys << action->property("key").toString();
    tips << action->toolTip();
    EXPECT_FALSE(action->icon().isNull());
    EXPECT_TRUE(action->icon().availableSizes().contains(QSize(24, 24)));
  }
  EXPECT_EQ(keys, QStringList({"CfgFile", "Start", "Help"}));
  EXPECT_EQ(tips, QStringList({"Select a configuration file", "Start to generate report", "Help content"}));
}

TEST_F(MainWindowTest, TabOrderRunsFromTheConfigurationBoxThroughTheRunBoxes) {
  const QStringList expected = {"txtIniFileName", "txtTemplateFileName", "txtReportFileName", "txtLogFlieName",
                                "txtSQLFileCnt",  "txtSQLStmCnt",        "txtErrorCnt",       "txtLogInfo"};
  QWidget* widget = Find<QLineEdit>("txtIniFileName");
  QStringList order{widget->objectName()};
  while (order.size() < expected.size()) {
    widget = widget->nextInFocusChain();
    if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
  }
  EXPECT_EQ(order, expected);
}

// Each command, given from its menu item, its toolbar button and its
// shortcut key, opens the same window.
TEST_F(MainWindowTest, MenusToolbarAndKeysRunTheSameCommands) {
  const std::string help_message = "Help file \"" + HelpDocumentPath() + "\" does not exist.";
  ASSERT_FALSE(std::filesystem::exists(HelpDocumentPath()));
  struct Command {
    const char* menu_item;
    const char* toolbar_key;
    QKeySequence key;
    bool opens_file_dialog;
    QString error_prompt;
  };
  const Command commands[] = {
      {"mnuFConfiguration", "CfgFile", QKeySequence(Qt::CTRL | Qt::Key_O), true, QString()},
      {"mnuRStart", "Start", QKeySequence(Qt::Key_F5), false,
       ErrorPrompt("Configuration file \"\" does not exist.")},
      {"mnuHContent", "Help", QKeySequence(Qt::Key_F1), false, ErrorPrompt(help_message)},
  };
  QApplication::setActiveWindow(window_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  for (const Command& command : commands) {
    QAction* tool = nullptr;
    for (QAction* action : Find<QToolBar>("Toolbar1")->actions())
      if (action->property("key") == command.toolbar_key) tool = action;
    ASSERT_NE(tool, nullptr);
    const std::function<void()> ways[] = {
        [&] { Find<QAction>(command.menu_item)->trigger(); },
        [&] { QTest::mouseClick(Find<QToolBar>("Toolbar1")->widgetForAction(tool), Qt::LeftButton); },
        [&] {
          // A shortcut reaches the active window only.
          window_->activateWindow();
          QApplication::setActiveWindow(window_.get());
          ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
          QTest::keySequence(window_.get(), command.key);
        },
    };
    for (int way = 0; way < 3; ++way) {
      SCOPED_TRACE(testing::Message() << command.menu_item << " way " << way);
      const auto& give = ways[way];
      SetConfigBox("");
      ModalScript script;
      BoxSeen seen;
      if (command.opens_file_dialog) {
        script.WhenNamed("dlgCfgFile", [](QWidget* dialog) { static_cast<QFileDialog*>(dialog)->reject(); });
      } else {
        script.AnswerMessageBox(QMessageBox::Ok, &seen);
      }
      give();
      if (!command.opens_file_dialog) {
        EXPECT_EQ(seen.text, command.error_prompt) << command.menu_item;
        EXPECT_EQ(seen.title, "Tallyvane");
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
      }
    }
  }
}

TEST_F(MainWindowTest, ToolbarKeysAreComparedExactly) {
  // A key in another case names no command: nothing opens.
  window_->OnToolbarButton(QStringLiteral("start"));
  window_->OnToolbarButton(QStringLiteral("CFGFILE"));
  window_->OnToolbarButton(QString());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, StartWithAMissingConfigurationNamesTheTrimmedPath) {
  const std::string missing = folder_.File("missing.ini");
  const std::string existing = WriteConfigFailingAtConnection();
  struct Case {
    std::string typed;
    std::string stored;
    bool exists;
  };
  const Case cases[] = {
      {"", "", false},
      {"   ", "", false},
      {"  " + missing + "  ", missing, false},
      {"   " + existing + " ", existing, true},
  };
  for (const Case& c : cases) {
    SetConfigBox(c.typed);
    ModalScript script;
    BoxSeen seen;
    // No to the question: the window stays idle and no run starts.
    script.AnswerMessageBox(c.exists ? QMessageBox::No : QMessageBox::Ok, &seen);
    window_->Start();
    EXPECT_EQ(context_.CfgFileName, c.stored);
    EXPECT_EQ(BoxText("txtIniFileName").toStdString(), c.typed) << "the box keeps the text as typed";
    if (c.exists) {
      EXPECT_EQ(seen.text, kQuestion);
      EXPECT_EQ(seen.title, "Tallyvane");
      EXPECT_EQ(seen.icon, QMessageBox::Question);
      EXPECT_FALSE(context_.RunConfirmed);
    } else {
      EXPECT_EQ(seen.text, ErrorPrompt("Configuration file \"" + c.stored + "\" does not exist."));
    }
    EXPECT_FALSE(std::filesystem::exists(LogPath())) << "no run may start";
    EXPECT_TRUE(window_->isEnabled());
  }
}

// A run observed from inside: the window is disabled with the busy pointer
// while it lasts; an aborting run can be made to fail on request.
class ProbingPlatform : public PlatformFactory {
 public:
  ProbingPlatform(PlatformFactory& real, QWidget& window) : real_(real), window_(window) {}
  std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() override {
    if (fail_spreadsheet) throw PlatformError("the spreadsheet engine is not available");
    return real_.CreateSpreadsheetApp();
  }
  std::shared_ptr<DatabaseConnection> CreateDbConnection() override {
    enabled_during_run = window_.isEnabled();
    const QCursor* cursor = QApplication::overrideCursor();
    busy_during_run = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    return real_.CreateDbConnection();
  }
  std::unique_ptr<Recordset> CreateDbRecordset() override { return real_.CreateDbRecordset(); }

  bool enabled_during_run = true;
  bool busy_during_run = false;
  bool fail_spreadsheet = false;

 private:
  PlatformFactory& real_;
  QWidget& window_;
};

TEST_F(MainWindowTest, YesRunsWithTheWindowDisabledAndLeavesItUsable) {
  ProbingPlatform probe(*platform_, *window_);
  context_.Platform = &probe;
  SetConfigBox(WriteConfigFailingAtConnection());
  ModalScript script;
  script.AnswerMessageBox(QMessageBox::Yes);
  window_->Start();
  EXPECT_TRUE(context_.RunConfirmed);
  EXPECT_FALSE(probe.enabled_during_run);
  EXPECT_TRUE(probe.busy_during_run);
  EXPECT_TRUE(window_->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(LogPath()));
}

// Records the text a box showed each time it was painted.
class PaintedTexts : public QObject {
 public:
  PaintedTexts(QWidget* painted, std::function<QString()> text) : text_(std::move(text)) {
    painted->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) texts << text_();
    return QObject::eventFilter(watched, event);
  }
  QStringList texts;

 private:
  std::function<QString()> text_;
};

// The run gives the event loop no turn: what the operator sees change was
// painted while the run was still going, before the connection was made.
TEST_F(MainWindowTest, BoxesArePaintedWhileTheRunLasts) {
  auto* template_box = Find<QLineEdit>("txtTemplateFileName");
  auto* log_view = Find<QPlainTextEdit>("txtLogInfo");
  PaintedTexts template_paints(template_box, [template_box] { return template_box->text(); });
  PaintedTexts log_paints(log_view->viewport(), [log_view] { return log_view->toPlainText(); });
  struct PaintsAtConnection : public ProbingPlatform {
    using ProbingPlatform::ProbingPlatform;
    std::shared_ptr<DatabaseConnection> CreateDbConnection() override {
      template_texts = template_paints->texts;
      log_texts = log_paints->texts;
      return ProbingPlatform::CreateDbConnection();
    }
    PaintedTexts* template_paints = nullptr;
    PaintedTexts* log_paints = nullptr;
    QStringList template_texts;
    QStringList log_texts;
  } probe(*platform_, *window_);
  probe.template_paints = &template_paints;
  probe.log_paints = &log_paints;
  context_.Platform = &probe;
  SetConfigBox(WriteConfigFailingAtConnection());
  ModalScript script;
  script.AnswerMessageBox(QMessageBox::Yes);
  window_->Start();
  EXPECT_TRUE(probe.template_texts.contains(QString::fromStdString(folder_.File("template.xlsx"))))
      << probe.template_texts.join('|').toStdString();
  ASSERT_FALSE(probe.log_texts.isEmpty());
  EXPECT_TRUE(probe.log_texts.last().contains("Open log file successfully."));
}

TEST_F(MainWindowTest, TwoRunsInARowStartFromZeroCounters) {
  SetConfigBox(WriteConfigFailingAtConnection());
  for (int run = 0; run < 2; ++run) {
    ModalScript script;
    script.AnswerMessageBox(QMessageBox::Yes);
    window_->Start();
    EXPECT_EQ(BoxText("txtTemplateFileName").toStdString(), folder_.File("template.xlsx"));
    EXPECT_EQ(BoxText("txtReportFileName").toStdString(), folder_.File("report.xlsx"));
    EXPECT_EQ(BoxText("txtLogFlieName").toStdString(), LogPath());
    EXPECT_EQ(BoxText("txtSQLFileCnt"), "0");
    EXPECT_EQ(BoxText("txtSQLStmCnt"), "0");
    EXPECT_EQ(BoxText("txtErrorCnt"), "1") << "run " << run + 1;
    const QStringList lines = Find<QPlainTextEdit>("txtLogInfo")->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "Tallyvane 1.4.0");
    EXPECT_EQ(lines[2], "Open log file successfully.");
    EXPECT_TRUE(lines[3].startsWith("Error: Failed to connect to database. DSN=TallyvaneNoSuchSource"));
    EXPECT_TRUE(lines[4].startsWith("Error Info: "));
  }
}

// A failure that no step traps ends the run without a log line; the
// operator learns of it in the error box and can carry on.
TEST_F(MainWindowTest, AnAbortedRunIsShownAndLeavesTheWindowUsable) {
  ProbingPlatform probe(*platform_, *window_);
  probe.fail_spreadsheet = true;
  context_.Platform = &probe;
  SetConfigBox(WriteConfig(folder_.Write("template.xlsx", "any"), kSqliteTestSource));
  ModalScript script;
  BoxSeen error;
  script.AnswerMessageBox(QMessageBox::Yes);
  script.AnswerMessageBox(QMessageBox::Ok, &error);
  window_->Start();
  EXPECT_EQ(error.text, ErrorPrompt("the spreadsheet engine is not available"));
  const QStringList lines = Find<QPlainTextEdit>("txtLogInfo")->toPlainText().split('\n', Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines.last().startsWith("Connect to database successfully. DSN=TallyvaneUiTest"));
  EXPECT_TRUE(window_->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, LogViewKeepsAtMostEightMessages) {
  context_.LogStream = context_.FileSystem->CreateTextFile(LogPath());
  context_.LogViewLineCount = 0;
  auto* view = Find<QPlainTextEdit>("txtLogInfo");
  for (int message = 1; message <= 17; ++message) {
    WriteLog(context_, "message " + std::to_string(message) + (message == 3 ? "\r\nsecond line" : ""));
    if (message == 8) {
      EXPECT_EQ(view->toPlainText().split('\n', Qt::SkipEmptyParts).size(), 8) << "a line break became a blank";
    }
    if (message == 9 || message == 17) {
      EXPECT_EQ(view->toPlainText(), QStringLiteral("message %1\n").arg(message));
    }
  }
}

TEST_F(MainWindowTest, ErrorCounterShowsGroupedCounts) {
  context_.LogStream = context_.FileSystem->CreateTextFile(LogPath());
  LogError(context_, "Failed to execute function 1.", "no such table: t");
  EXPECT_EQ(BoxText("txtErrorCnt"), "1");
  LogError(context_, "Failed to execute function 1.", "no such table: t");
  EXPECT_EQ(BoxText("txtErrorCnt"), "2");
  context_.ErrorCount = 999;
  LogError(context_, "Failed to execute function 1.", "no such table: t");
  EXPECT_EQ(BoxText("txtErrorCnt"), "1,000");
}

TEST_F(MainWindowTest, FileDialogOpensBesideTheConfigurationAndKeepsItsPick) {
  const std::string first = WriteConfigFailingAtConnection();
  std::filesystem::create_directory(folder_.File("other"));
  const std::string second = folder_.Write("other/month.ini", "[FILE]\n");

  // Before any pick, Cancel changes nothing.
  context_.CfgFileName.clear();
  SetConfigBox("typed.ini");
  {
    ModalScript script;
    script.WhenNamed("dlgCfgFile", [](QWidget* dialog) { static_cast<QFileDialog*>(dialog)->reject(); });
    window_->OpenConfigurationFile();
  }
  EXPECT_EQ(context_.CfgFileName, "");
  EXPECT_EQ(BoxText("txtIniFileName"), "typed.ini");

  context_.CfgFileName = first;
  {
    ModalScript script;
    script.WhenNamed("dlgCfgFile", [&](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      EXPECT_EQ(dialog->windowTitle(), "Select Configuration File");
      EXPECT_EQ(dialog->nameFilters(), QStringList({"INI files (*.ini)", "All type files (*.*)"}));
      EXPECT_EQ(dialog->selectedNameFilter(), "INI files (*.ini)");
      EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
      EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder_.path());
      TypeFileName(dialog, second);
      static_cast<QDialog*>(dialog)->accept();
    });
    window_->OpenConfigurationFile();
  }
  EXPECT_EQ(context_.CfgFileName, second);
  EXPECT_EQ(BoxText("txtIniFileName").toStdString(), second);

  // Cancel after a pick stores that pick again.
  context_.CfgFileName = first;
  SetConfigBox(first);
  {
    ModalScript script;
    script.WhenNamed("dlgCfgFile", [&](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder_.path());
      dialog->reject();
    });
    window_->OpenConfigurationFile();
  }
  EXPECT_EQ(context_.CfgFileName, second);
  EXPECT_EQ(BoxText("txtIniFileName").toStdString(), second);
}

TEST_F(MainWindowTest, FileDialogRefusesAMissingFile) {
  ModalScript script;
  BoxSeen seen;
  script.WhenNamed("dlgCfgFile", [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    script.AnswerMessageBox(QMessageBox::Ok, &seen);
    TypeFileName(dialog, folder_.File("gone.ini"));
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";
    dialog->reject();
  });
  window_->OpenConfigurationFile();
  EXPECT_TRUE(seen.text.contains("does not exist")) << seen.text.toStdString();
  EXPECT_EQ(context_.CfgFileName, "");
}

TEST_F(MainWindowTest, ClosingTheWindowReleasesTheFileSystemAndTheLog) {
  context_.LogStream = context_.FileSystem->CreateTextFile(LogPath());
  EXPECT_EQ(context_.View, window_.get());
  Find<QAction>("mnuFExit")->trigger();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(context_.FileSystem, nullptr);
  EXPECT_EQ(context_.LogStream, nullptr);
  EXPECT_EQ(context_.View, nullptr);
}

}  // namespace
}  // namespace tallyvane::test
