// Nothing clipped: every label of the windows shows its whole text or
// carries it as its tool tip, and the question box is wide enough for its
// title, at the scale this process runs with and, in a child run, at 1.5.
// With TALLYVANE_SCREENSHOTS naming a folder the windows are saved there
// too (see screenshots.sh).
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include "main_window_fixture.h"
#include "ui/fitted_label.h"

namespace tallyvane::test {
namespace {

void ExpectLabelsWhole(const QWidget& window) {
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    EXPECT_TRUE(TextFits(*label) || label->toolTip() == label->text())
        << window.objectName().toStdString() << " " << label->objectName().toStdString() << ": "
        << label->text().toStdString();
  }
}

void SaveScreenshot(QWidget& window, const char* name) {
  const QString folder = qEnvironmentVariable("TALLYVANE_SCREENSHOTS");
  if (folder.isEmpty()) return;
  const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1.0"));
  EXPECT_TRUE(window.grab().save(QStringLiteral("%1/%2-%3.png").arg(folder, QLatin1String(name), scale)));
}

TEST_F(MainWindowTest, EveryLabelShowsItsTextOrCarriesItAsToolTip) {
  SetConfigBox(
      WriteConfig("Name1=[DAY]\nDesc1=Report day (YYYY-MM-DD)\nDefault1=2026-12-07\n"
                  "Name2=[REGION]\nDesc2=Region, as the sales office names it in its monthly returns\n"));
  ModalScript script;
  script.When("frmParameter", [&](QWidget* dialog) {
    ExpectLabelsWhole(*dialog);
    SaveScreenshot(*dialog, "parameter-dialog");
    script.When("msgQuestion", [&](QWidget* question) {
      QFont title_font = question->font();
      title_font.setBold(true);
      EXPECT_GT(question->width(), QFontMetrics(title_font).horizontalAdvance(question->windowTitle()) + 100);
      SaveScreenshot(*question, "question-box");
      script.When("QMessageBox", [](QWidget* error) {  // the run stops at the connection
        ExpectLabelsWhole(*error);
        SaveScreenshot(*error, "error-box");
        static_cast<QMessageBox*>(error)->button(QMessageBox::Ok)->click();
      });
      static_cast<QMessageBox*>(question)->button(QMessageBox::Yes)->click();
    });
    Find<QPushButton>("cmdOK")->click();
  });
  window_->Start();
  ExpectLabelsWhole(*window_);
  SaveScreenshot(*window_, "main-window");
  script.When("frmAbout", [](QWidget* about) {
    ExpectLabelsWhole(*about);
    SaveScreenshot(*about, "about-box");
    static_cast<QDialog*>(about)->accept();
  });
  window_->ShowAbout();

  if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) return;
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.5"));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=MainWindowTest.EveryLabelShowsItsTextOrCarriesItAsToolTip")});
  ASSERT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0) << "at scale 1.5:\n" << child.readAll().toStdString();
}

}  // namespace
}  // namespace tallyvane::test
