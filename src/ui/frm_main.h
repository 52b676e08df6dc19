#pragma once
// frmMain: the main window of the interactive mode. It holds the commands
// (configuration file, Start, help, about, exit) and shows a run's
// progress as the run's view.
#include <QList>
#include <QMainWindow>
#include <QString>
#include <string>

#include "log/run_view.h"
#include "ui/g_shell.h"

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QToolBar;

namespace tallyvane {

struct RunContext;
class ConfigFileDialog;
class DesktopOpener;

class FrmMain : public QMainWindow, public RunView {
 public:
  // opener is the desktop's document opener; null means xdg-open.
  explicit FrmMain(RunContext& context, DesktopOpener* opener = nullptr);
  ~FrmMain() override;

  // The commands of the menus and the toolbar.
  void OpenConfigurationFile();
  void Start();
  void ShowHelpContent();
  void ShowAbout();
  // Stops the running run at its next safe point, cancelling a running
  // statement; the run logs why and the window shows its end.
  void StopRun();
  void OpenLog();
  void OpenReport();
  // Opens the document with its associated program; failures go to the
  // error box.
  void OpenDocument(const std::string& path);
  // Runs the command of the toolbar button with that key; other keys do
  // nothing.
  void OnToolbarButton(const QString& key);

  // RunView
  void SetBoxText(RunViewBox box, const std::string& text) override;
  void ClearLogInfo() override;
  void AppendLogInfo(const std::string& text) override;
  void ErrorLogged(const std::string& where, const std::string& info) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildBoxes();
  void SetTabOrder();
  bool ConfigurationFileExists() const;
  bool ConfirmRun();
  void RunConfirmedReport();
  QLineEdit* BoxOf(RunViewBox box) const;
  void ReleaseRunResources();
  // Through the desktop's opener; the error record is empty on success.
  ShellError ShellOpen(const std::string& path);
  void ShowHelpWindow(const std::string& path);
  void ShowRunState();
  void UpdateOpenCommands();
  bool AskToStopForClose();

  RunContext& context_;
  DesktopOpener* opener_;
  ConfigFileDialog* file_dialog_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLineEdit* ini_file_ = nullptr;
  QLineEdit* template_file_ = nullptr;
  QLineEdit* report_file_ = nullptr;
  QLineEdit* log_file_ = nullptr;
  QLineEdit* sql_file_count_ = nullptr;
  QLineEdit* sql_statement_count_ = nullptr;
  QLineEdit* error_count_ = nullptr;
  QPlainTextEdit* log_info_ = nullptr;
  QString log_text_;
  QAction* stop_ = nullptr;
  QAction* open_log_ = nullptr;
  QAction* open_report_ = nullptr;
  QList<QAction*> idle_commands_;
  // The last error the run logged: its step and its detail.
  QString last_error_;
  QString last_error_info_;
  bool running_ = false;
  bool opening_ = false;
  bool close_after_run_ = false;
};

}  // namespace tallyvane
