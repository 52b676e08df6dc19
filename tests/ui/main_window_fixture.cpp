// The window tests run inside one application object on the offscreen
// platform, with ODBC pointed at a data source of the tests' own.
#include "main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <cstdlib>

#include "run_ini.h"
#include "sqlite_data_source.h"

namespace tallyvane::test {
namespace {

constexpr int kWatchdogMs = 20000;

void CloseModalWindows() {
  for (int guard = 0; guard < 10; ++guard) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    dialog->reject();
    QApplication::processEvents();
  }
}

}  // namespace

ModalScript::~ModalScript() {
  for (const Step& step : steps_) EXPECT_TRUE(step.done) << step.name.toStdString() << " never appeared";
  CloseModalWindows();
}

// The act runs outside this timer's own event, which Qt does not deliver
// again while it is being handled: the poll must go on answering the
// windows that the act opens.
void ModalScript::Poll() {
  if (age_.elapsed() > kWatchdogMs) {
    ADD_FAILURE() << "a modal window stayed open without an answer";
    age_.restart();
    CloseModalWindows();
  }
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || acting_) return;
  for (Step& step : steps_) {
    if (step.done || (modal->objectName() != step.name && !modal->inherits(qPrintable(step.name)))) continue;
    step.done = acting_ = true;
    QTimer::singleShot(0, modal, [this, modal, act = step.act] {
      acting_ = false;
      act(modal);
    });
    return;
  }
}

void ModalScript::AnswerMessageBox(QMessageBox::StandardButton button, BoxSeen* seen) {
  When(QStringLiteral("QMessageBox"), [button, seen](QWidget* modal) {
    auto* box = static_cast<QMessageBox*>(modal);
    if (seen != nullptr) *seen = {box->windowTitle(), box->text(), box->icon()};
    QAbstractButton* target = box->button(button);
    ASSERT_NE(target, nullptr) << "the message box has no such button";
    target->click();
  });
}

std::string MainWindowTest::WriteConfig(const std::string& parameter_section) {
  RunIni ini;
  ini.log = LogPath();
  ini.template_file = folder_.Write("template.xlsx", "any");
  ini.report = folder_.File("report.xlsx");
  ini.dsn = "TallyvaneNoSuchSource";
  ini.parameters = parameter_section;
  return ini.Write(folder_, "report.ini");
}

}  // namespace tallyvane::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests must work without any display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  tallyvane::test::SqliteDataSource::Instance();  // before ODBC's first call, which reads ODBCINI
  tallyvane::EnsureGuiApplication();
  return RUN_ALL_TESTS();
}
