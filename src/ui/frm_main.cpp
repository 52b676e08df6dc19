#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QtGlobal>
#include <exception>
#include <memory>

#include "app/report_run.h"
#include "config/missing_config_file.h"
#include "config/read_ini_value.h"
#include "config/run_parameters.h"
#include "log/run_log.h"
#include "platform/blocking_call.h"
#include "platform/interruption.h"
#include "platform/plain_text.h"
#include "run/run_context.h"
#include "ui/config_file_dialog.h"
#include "ui/desktop_opener.h"
#include "ui/event_loop_waiter.h"
#include "ui/fitted_label.h"
#include "ui/frm_about.h"
#include "ui/frm_parameter.h"
#include "ui/g_shell.h"
#include "ui/help_document.h"
#include "ui/help_window.h"
#include "ui/icon_resources.h"
#include "ui/qt_text.h"
#include "ui/question_box.h"

namespace tallyvane {
namespace {

// Geometry in pixels. The window has no layout logic: resizing it leaves
// every control where it is.
constexpr int kClientWidth = 560;
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 124;
constexpr int kBoxLeft = 140;
constexpr int kBoxHeight = 24;
constexpr int kRowPitch = 30;
constexpr int kFrameTop = 46;
constexpr int kFrameWidth = kClientWidth - 16;
constexpr int kFrameInnerWidth = kFrameWidth - kBoxLeft - 12;
constexpr int kCountWidth = 100;
constexpr int kLogTop = 212;
constexpr int kLogHeight = 146;
constexpr int kFrameHeight = kLogTop + kLogHeight + 12;
constexpr int kClientHeight = kFrameTop + kFrameHeight + 10;
constexpr const char* kStopForCloseQuestion = "A report is being generated. Stop it and close the window?";

QLabel* AddLabel(QWidget* parent, int number, const char* caption, int left, int top, int width) {
  auto* label = new FittedLabel(QString::fromLatin1(caption), parent);
  label->setObjectName(QStringLiteral("Label%1").arg(number));
  label->setGeometry(left, top, width, kBoxHeight);
  return label;
}

QLineEdit* AddReadOnlyBox(QWidget* parent, const char* name, int left, int top, int width) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setReadOnly(true);
  box->setGeometry(left, top, width, kBoxHeight);
  return box;
}

QLineEdit* AddCountBox(QWidget* parent, const char* name, int left, int top) {
  QLineEdit* box = AddReadOnlyBox(parent, name, left, top, kCountWidth);
  box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return box;
}

DesktopOpener& DefaultOpener() {
  static XdgOpenOpener opener;
  return opener;
}

}  // namespace

FrmMain::FrmMain(RunContext& context, DesktopOpener* opener)
    : context_(context), opener_(opener != nullptr ? opener : &DefaultOpener()) {
  EnsureIconResources();
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tallyvane"));
  setWindowIcon(QIcon(QStringLiteral(":/tallyvane/icons/logo.png")));
  if (!context_.wiring.FileSystem) context_.wiring.FileSystem = std::make_unique<tallyvane::FileSystem>();
  BuildMenus();
  BuildToolbar();
  BuildBoxes();
  SetTabOrder();
  file_dialog_ = new ConfigFileDialog(this);
  ini_file_->setText(FromUtf8(context_.settings.CfgFileName));
  context_.wiring.View = this;
  ShowRunState();
}

FrmMain::~FrmMain() {
  if (context_.wiring.View == this) context_.wiring.View = nullptr;
}

void FrmMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  QAction* configuration = file->addAction(QStringLiteral("&Open Configuration File..."));
  configuration->setObjectName(QStringLiteral("mnuFConfiguration"));
  configuration->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(configuration, &QAction::triggered, this, &FrmMain::OpenConfigurationFile);
  // The files of the last run, once they exist.
  open_log_ = file->addAction(QStringLiteral("Open &Log"));
  open_log_->setObjectName(QStringLiteral("mnuFOpenLog"));
  connect(open_log_, &QAction::triggered, this, &FrmMain::OpenLog);
  open_report_ = file->addAction(QStringLiteral("Open &Report"));
  open_report_->setObjectName(QStringLiteral("mnuFOpenReport"));
  connect(open_report_, &QAction::triggered, this, &FrmMain::OpenReport);
  connect(file, &QMenu::aboutToShow, this, &FrmMain::UpdateOpenCommands);
  file->addSeparator()->setObjectName(QStringLiteral("mnuFDelimiter1"));
  QAction* exit = file->addAction(QStringLiteral("E&xit"));
  exit->setObjectName(QStringLiteral("mnuFExit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* run = bar->addMenu(QStringLiteral("&Run"));
  run->setObjectName(QStringLiteral("mnuRun"));
  QAction* start = run->addAction(QStringLiteral("&Start"));
  start->setObjectName(QStringLiteral("mnuRStart"));
  start->setShortcut(QKeySequence(Qt::Key_F5));
  connect(start, &QAction::triggered, this, &FrmMain::Start);
  stop_ = run->addAction(QStringLiteral("S&top"));
  stop_->setObjectName(QStringLiteral("mnuRStop"));
  stop_->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(stop_, &QAction::triggered, this, &FrmMain::StopRun);

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  QAction* content = help->addAction(QStringLiteral("&Help Content"));
  content->setObjectName(QStringLiteral("mnuHContent"));
  content->setShortcut(QKeySequence(Qt::Key_F1));
  connect(content, &QAction::triggered, this, &FrmMain::ShowHelpContent);
  help->addSeparator()->setObjectName(QStringLiteral("mnuHDelimiter1"));
  QAction* about = help->addAction(QStringLiteral("&About..."));
  about->setObjectName(QStringLiteral("mnuHAbout"));
  connect(about, &QAction::triggered, this, &FrmMain::ShowAbout);
  idle_commands_ = {configuration, open_log_, open_report_, start, content, about};
}

void FrmMain::BuildToolbar() {
  toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setMovable(false);
  toolbar_->setIconSize(QSize(24, 24));
  toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  struct Button {
    const char* key;
    const char* icon;
    const char* tip;
  };
  const Button buttons[] = {
      {"CfgFile", ":/tallyvane/icons/open_configuration.png", "Select a configuration file"},
      {"Start", ":/tallyvane/icons/start.png", "Start to generate report"},
      {"Help", ":/tallyvane/icons/help.png", "Help content"},
  };
  for (const Button& button : buttons) {
    const QString key = QString::fromLatin1(button.key);
    QAction* action = toolbar_->addAction(QIcon(QString::fromLatin1(button.icon)), QString());
    action->setObjectName(QStringLiteral("tbr") + key);
    action->setProperty("key", key);
    action->setToolTip(QString::fromLatin1(button.tip));
    toolbar_->widgetForAction(action)->setObjectName(QStringLiteral("tbr") + key + QStringLiteral("Button"));
    connect(action, &QAction::triggered, this, [this, key] { OnToolbarButton(key); });
  }
}

void FrmMain::BuildBoxes() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("frmMainClient"));
  // The window may grow; the controls keep their places and sizes.
  client->setMinimumSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  AddLabel(client, 1, "Configuration File", kLabelLeft + 8, 12, kLabelWidth);
  ini_file_ = new QLineEdit(client);
  ini_file_->setObjectName(QStringLiteral("txtIniFileName"));
  ini_file_->setGeometry(kBoxLeft + 8, 12, kFrameInnerWidth, kBoxHeight);

  auto* frame = new QGroupBox(QStringLiteral("Run Time Information"), client);
  frame->setObjectName(QStringLiteral("fraRunTimeInfo"));
  frame->setGeometry(8, kFrameTop, kFrameWidth, kFrameHeight);

  int top = 28;
  AddLabel(frame, 2, "Report Template", kLabelLeft, top, kLabelWidth);
  template_file_ = AddReadOnlyBox(frame, "txtTemplateFileName", kBoxLeft, top, kFrameInnerWidth);
  top += kRowPitch;
  AddLabel(frame, 3, "Report File", kLabelLeft, top, kLabelWidth);
  report_file_ = AddReadOnlyBox(frame, "txtReportFileName", kBoxLeft, top, kFrameInnerWidth);
  top += kRowPitch;
  AddLabel(frame, 4, "Log File", kLabelLeft, top, kLabelWidth);
  log_file_ = AddReadOnlyBox(frame, "txtLogFlieName", kBoxLeft, top, kFrameInnerWidth);
  top += kRowPitch;
  AddLabel(frame, 5, "SQL Files Count", kLabelLeft, top, kLabelWidth);
  sql_file_count_ = AddCountBox(frame, "txtSQLFileCnt", kBoxLeft, top);
  const int right_half = kBoxLeft + kFrameInnerWidth - kCountWidth;
  AddLabel(frame, 6, "SQL Statements Count", right_half - 8 - 150, top, 150)
      ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sql_statement_count_ = AddCountBox(frame, "txtSQLStmCnt", right_half, top);
  top += kRowPitch;
  AddLabel(frame, 7, "Errors Count", kLabelLeft, top, kLabelWidth);
  error_count_ = AddCountBox(frame, "txtErrorCnt", kBoxLeft, top);

  AddLabel(frame, 8, "Log Information", kLabelLeft, kLogTop - kBoxHeight, kLabelWidth);
  log_info_ = new QPlainTextEdit(frame);
  log_info_->setObjectName(QStringLiteral("txtLogInfo"));
  log_info_->setReadOnly(true);
  log_info_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_info_->setGeometry(kLabelLeft, kLogTop, kFrameWidth - 2 * kLabelLeft, kLogHeight);
}

void FrmMain::SetTabOrder() {
  QWidget* order[] = {ini_file_,       template_file_,       report_file_, log_file_,
                      sql_file_count_, sql_statement_count_, error_count_, log_info_};
  for (std::size_t i = 1; i < sizeof(order) / sizeof(order[0]); ++i) setTabOrder(order[i - 1], order[i]);
  ini_file_->setFocus();
}

void FrmMain::OnToolbarButton(const QString& key) {
  if (key == QLatin1String("CfgFile")) {
    OpenConfigurationFile();
  } else if (key == QLatin1String("Start")) {
    Start();
  } else if (key == QLatin1String("Help")) {
    ShowHelpContent();
  }
}

void FrmMain::OpenConfigurationFile() {
  QString folder;
  try {
    if (!context_.settings.CfgFileName.empty())
      folder = FromUtf8(context_.wiring.FileSystem->GetParentFolderName(context_.settings.CfgFileName));
  } catch (const std::exception& error) {
    // The dialog then opens where the platform chooses.
    qWarning("The configuration file's folder is unknown: %s", error.what());
  }
  const QString picked = file_dialog_->Pick(folder);
  if (picked.isEmpty()) return;
  context_.settings.CfgFileName = picked.toStdString();
  ini_file_->setText(picked);
}

void FrmMain::Start() {
  if (running_ || opening_) return;
  context_.settings.CfgFileName = TrimSpaces(ini_file_->text().toStdString());
  if (!ConfigurationFileExists()) {
    ShowError(context_.wiring, MissingConfigFileText(context_.settings));
    return;
  }
  // Each step is skipped when it fails unexpectedly, so that the window
  // is always usable again afterwards.
  try {
    LoadParameters(context_.settings.CfgFileName, context_.parameters);
  } catch (const std::exception& error) {
    qWarning("The run parameters could not be read: %s", error.what());
  }
  context_.RunConfirmed = false;
  try {
    if (ConfirmRun()) context_.RunConfirmed = true;
  } catch (const std::exception& error) {
    qWarning("The run could not be confirmed: %s", error.what());
  }
  if (context_.RunConfirmed) RunConfirmedReport();
}

// The question, or the parameter dialog when parameters are declared; the
// dialog sets RunConfirmed itself.
bool FrmMain::ConfirmRun() {
  if (context_.parameters.ParameterCount < 1)
    return AskYesNo(this, windowTitle(), QString::fromLatin1(kGenerateReportQuestion));
  FrmParameter dialog(context_, this);
  dialog.exec();
  return context_.RunConfirmed;
}

// The run is one call on this thread. While it goes, only Stop and the
// close button are at hand: the window handles its events between the
// run's steps and while a statement runs (see RunWhileEventsFlow).
void FrmMain::RunConfirmedReport() {
  running_ = true;
  last_error_.clear();
  last_error_info_.clear();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  ShowRunState();
  SetBlockingCallWaiter(&RunWhileEventsFlow);
  const RunResult result = RunReport(context_);  // traps every error itself
  SetBlockingCallWaiter(nullptr);
  running_ = false;
  ShowRunState();
  QApplication::restoreOverrideCursor();
  // A termination signal asked the program to end, not just the run (also
  // one that came after the run's last safe point).
  if (PendingInterruption() > 0) {
    QApplication::exit(2);
    return;
  }
  try {
    // An aborted run wrote no line about its end; the operator learns why
    // here. A run stopped by a failed step shows that step's error whole:
    // the log view may have cut it.
    if (result.outcome == RunOutcome::Aborted) {
      ShowError(context_.wiring, result.error);
    } else if (result.outcome == RunOutcome::Stopped && !last_error_.isEmpty()) {
      ShowError(context_.wiring, (last_error_ + QStringLiteral("\r\n") + last_error_info_).toStdString());
    }
  } catch (const std::exception& error) {
    qWarning("The run's end could not be shown (%s): %s", result.error.c_str(), error.what());
  }
  if (close_after_run_) {
    close_after_run_ = false;
    close();
  }
}

void FrmMain::StopRun() {
  if (running_) RequestStop();
}

void FrmMain::OpenLog() { OpenDocument(context_.settings.LogFileName); }

void FrmMain::OpenReport() { OpenDocument(context_.settings.ReportFileName); }

// While a run goes only Stop (and closing) is at hand.
void FrmMain::ShowRunState() {
  centralWidget()->setEnabled(!running_);
  toolbar_->setEnabled(!running_);
  for (QAction* command : idle_commands_) command->setEnabled(!running_);
  stop_->setEnabled(running_);
  UpdateOpenCommands();
}

void FrmMain::UpdateOpenCommands() {
  const auto usable = [this](const std::string& path) {
    try {
      return !running_ && !path.empty() && context_.wiring.FileSystem && context_.wiring.FileSystem->FileExists(path);
    } catch (const std::exception&) {
      return false;
    }
  };
  open_log_->setEnabled(usable(context_.settings.LogFileName));
  open_report_->setEnabled(usable(context_.settings.ReportFileName));
}

void FrmMain::ShowHelpContent() {
  try {
    const std::string path = HelpDocumentPath();
    if (context_.wiring.FileSystem->FileExists(path)) {
      // Without a program for HTML the document shows in a window of ours.
      if (opening_) return;
      if (ShellOpen(path).number != 0) ShowHelpWindow(path);
    } else {
      ShowError(context_.wiring, "Help file \"" + path + "\" does not exist.");
    }
  } catch (const std::exception& error) {
    ShowError(context_.wiring, error.what());
  }
}

// A file that cannot even be looked at counts as missing: the run could
// not read it either.
bool FrmMain::ConfigurationFileExists() const {
  try {
    return context_.wiring.FileSystem->FileExists(context_.settings.CfgFileName);
  } catch (const std::exception&) {
    return false;
  }
}

void FrmMain::OpenDocument(const std::string& path) {
  if (opening_) return;
  const ShellError error = ShellOpen(path);
  if (error.number != 0) ShowError(context_.wiring, error.description);
}

// The opener may take seconds to give its verdict; the window handles its
// events meanwhile, and takes no second request.
ShellError FrmMain::ShellOpen(const std::string& path) {
  ShellError error;
  opening_ = true;
  try {
    GShell(path, 0, "", "", "open", this, *opener_, error);
  } catch (const std::exception& failure) {
    qWarning("The document \"%s\" could not be opened: %s", path.c_str(), failure.what());
  }
  opening_ = false;
  return error;
}

void FrmMain::ShowHelpWindow(const std::string& path) {
  auto* help = findChild<HelpWindow*>(QStringLiteral("frmHelp"));
  if (help == nullptr) help = new HelpWindow(path, this);
  help->show();
  help->raise();
  help->activateWindow();
}

void FrmMain::ShowAbout() {
  FrmAbout about(this);
  about.exec();
}

QLineEdit* FrmMain::BoxOf(RunViewBox box) const {
  switch (box) {
    case RunViewBox::TemplateFileName: return template_file_;
    case RunViewBox::ReportFileName: return report_file_;
    case RunViewBox::LogFileName: return log_file_;
    case RunViewBox::SqlFileCount: return sql_file_count_;
    case RunViewBox::SqlStatementCount: return sql_statement_count_;
    case RunViewBox::ErrorCount: return error_count_;
  }
  return nullptr;
}

// The run gives the event loop no turn, so each box is painted at once:
// repaint() draws without handling any input.
void FrmMain::SetBoxText(RunViewBox box, const std::string& text) {
  QLineEdit* edit = BoxOf(box);
  if (edit == nullptr) return;
  edit->setText(FromUtf8(text));
  edit->setCursorPosition(0);
  edit->repaint();
  if (running_) LetEventsFlow();
}

void FrmMain::ClearLogInfo() {
  log_text_.clear();
  log_info_->clear();
  log_info_->repaint();
}

void FrmMain::AppendLogInfo(const std::string& text) {
  QString line = FromUtf8(text);
  line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  log_text_ += line;
  log_info_->setPlainText(log_text_);
  log_info_->repaint();
  if (running_) LetEventsFlow();
}

void FrmMain::ErrorLogged(const std::string& where, const std::string& info) {
  last_error_ = FromUtf8(where);
  last_error_info_ = FromUtf8(info);
}

// Closing during a run asks first; the window closes once the stopped run
// has ended safely.
void FrmMain::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    if (!close_after_run_ && AskToStopForClose()) {
      close_after_run_ = true;
      RequestStop();
    }
    return;
  }
  ReleaseRunResources();
  event->accept();
}

bool FrmMain::AskToStopForClose() {
  try {
    return AskYesNo(this, windowTitle(), QString::fromLatin1(kStopForCloseQuestion));
  } catch (const std::exception& error) {
    qWarning("The question could not be asked: %s", error.what());
    return false;
  }
}

void FrmMain::ReleaseRunResources() {
  context_.session.LogStream.reset();
  context_.wiring.FileSystem.reset();
  if (context_.wiring.View == this) context_.wiring.View = nullptr;
}

}  // namespace tallyvane
