// The parameter dialog as the Start command shows it: rows, geometry, the
// question on OK, the write-back of defaults, Cancel.
#include "ui/frm_parameter.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <string>
#include <tuple>

#include "main_window_fixture.h"

namespace tallyvane::test {
namespace {

// Year with a description and a default, then Month under number 3 with
// neither.
const char* const kYearAndMonth = "Name1=Year\nDesc1=Report year\nDefault1=2004\nName3=Month\nDefault3=10\n";

// The dialog's controls are found through the main window, its owner.
class ParameterDialogTest : public MainWindowTest {
 protected:
  QLineEdit* ValueBox(int row) const { return Find(qPrintable(QStringLiteral("txtPVaule%1").arg(row))); }
  void Click(const char* button) const { Find<QPushButton>(button)->click(); }
};

TEST_F(ParameterDialogTest, ShowsTheDeclaredRowsInOrderAndFitsThem) {
  std::string ten;
  for (int k = 1; k <= 10; ++k) ten += "Name" + std::to_string(k) + "=P" + std::to_string(k) + "\n";
  // The dialog shrinks by the pitch of every row not declared: the OK
  // button's top and the dialog's height in pixels, as laid out.
  const std::tuple<std::string, QStringList, QStringList, int, int> cases[] = {
      {"Name1=Year\nDesc1=\nDefault1=2004\n", {"Year"}, {"2004"}, 80, 129},
      {kYearAndMonth, {"Report year", "Month"}, {"2004", "10"}, 112, 161},
      {ten, {"P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10"}, QStringList(10, QString()), 368, 417},
  };
  for (const auto& [section, labels, values, ok_top, height] : cases) {
    SetConfigBox(WriteConfig(section));
    ModalScript script;
    script.When("frmParameter",
                [&, &labels = labels, &values = values, ok_top = ok_top, height = height](QWidget* dialog) {
                  const int rows = static_cast<int>(labels.size());
                  for (int i = 0; i < 10; ++i) {
                    EXPECT_EQ(ValueBox(i)->isVisible(), i < rows) << i;
                    if (i >= rows) continue;
                    EXPECT_EQ(Find<QLabel>(qPrintable(QStringLiteral("lblPName%1").arg(i)))->text(), labels[i]);
                    EXPECT_EQ(ValueBox(i)->text(), values[i]);
                  }
                  EXPECT_EQ(Find<QPushButton>("cmdOK")->y(), ok_top);
                  EXPECT_EQ(dialog->size(), QSize(447, height));
                  EXPECT_TRUE(Find<QCheckBox>("chkSaveDefault")->isChecked());
                  Click("cmdCancel");
                });
    window_->Start();
  }
}

// Cancel, Esc and the window frame close the dialog and keep nothing
// typed. OK asks first, and No keeps the dialog open; Yes runs with the
// typed values and stores them as defaults when the save box is checked.
TEST_F(ParameterDialogTest, OnlyOkRunsAndOnlyWithSaveCheckedStoresTheValues) {
  const std::string config = WriteConfig(kYearAndMonth);
  const std::string before = ReadFileBytes(config);
  // Names and descriptions rewritten unchanged, defaults in place, and no
  // description created for Month.
  std::string saved = before;
  saved.replace(saved.find("Default1=2004"), 13, "Default1=2005 Q1");
  saved.replace(saved.find("Default3=10"), 11, "Default3=11");
  enum Close { kCancel, kEscape, kFrame, kOkUnchecked, kOkChecked };
  BoxSeen question;
  for (const Close close : {kCancel, kEscape, kFrame, kOkUnchecked, kOkChecked}) {
    const bool ok = close >= kOkUnchecked;
    SetConfigBox(config);
    ModalScript script;
    script.When("frmParameter", [&](QWidget* dialog) {
      ValueBox(0)->setText("2005 Q1");
      ValueBox(1)->setText("11");
      if (close == kCancel) {
        Click("cmdCancel");
      } else if (close == kEscape) {
        QTest::keyClick(ValueBox(0), Qt::Key_Escape);
      } else if (close == kFrame) {
        dialog->close();
      } else {
        Find<QCheckBox>("chkSaveDefault")->setChecked(close == kOkChecked);
        script.AnswerMessageBox(QMessageBox::No, &question);
        Click("cmdOK");
        EXPECT_TRUE(dialog->isVisible()) << "No keeps the dialog open";
        EXPECT_FALSE(context_.RunConfirmed);
        EXPECT_EQ(ReadFileBytes(config), before) << "No stores nothing";
        script.AnswerMessageBox(QMessageBox::Yes);
        script.AnswerMessageBox(QMessageBox::Ok);  // the run stops at the connection
        Click("cmdOK");
      }
    });
    window_->Start();
    EXPECT_EQ(context_.RunConfirmed, ok) << close;
    EXPECT_EQ(context_.parameters.Parameters[0].Value, ok ? "2005 Q1" : "2004");
    EXPECT_EQ(context_.parameters.Parameters[1].Value, ok ? "11" : "10");
    EXPECT_EQ(ReadFileBytes(config), close == kOkChecked ? saved : before) << close;
    EXPECT_EQ(std::filesystem::exists(LogPath()), ok) << "only Yes starts the run";
  }
  EXPECT_EQ(question.title, "Input Parameters");
  EXPECT_EQ(question.text, "Generate report?");
  EXPECT_EQ(question.icon, QMessageBox::Question);
}

// Return means OK, from a value box and on the focused button; OK still
// asks first.
TEST_F(ParameterDialogTest, ReturnPressesOk) {
  SetConfigBox(WriteConfig(kYearAndMonth));
  ModalScript script;
  script.When("frmParameter", [&](QWidget* dialog) {
    EXPECT_TRUE(Find<QPushButton>("cmdOK")->isDefault());
    for (QWidget* focus : {static_cast<QWidget*>(ValueBox(1)), static_cast<QWidget*>(Find<QPushButton>("cmdOK"))}) {
      BoxSeen question;
      script.AnswerMessageBox(QMessageBox::No, &question);
      focus->setFocus();
      QTest::keyClick(focus, Qt::Key_Return);
      EXPECT_EQ(question.text, "Generate report?") << focus->objectName().toStdString();
      EXPECT_TRUE(dialog->isVisible());
    }
    Click("cmdCancel");
  });
  window_->Start();
  EXPECT_FALSE(context_.RunConfirmed);
}

TEST_F(ParameterDialogTest, AFailedSaveIsToldAndTheRunStillConfirmed) {
  context_.settings.CfgFileName = folder_.File("no-such-folder/report.ini");
  context_.parameters.ParameterCount = 1;
  context_.parameters.Parameters[0] = RunParameter{"Year", "", "2004", 1};
  FrmParameter dialog(context_, window_.get());
  ModalScript script;
  BoxSeen error;
  script.AnswerMessageBox(QMessageBox::Yes);
  script.AnswerMessageBox(QMessageBox::Ok, &error);
  Click("cmdOK");
  EXPECT_TRUE(context_.RunConfirmed);
  EXPECT_EQ(error.text.toStdString(), "Error!\nError Info: Cannot save the default values of the parameters into \"" +
                                          context_.settings.CfgFileName + "\".");
}

}  // namespace
}  // namespace tallyvane::test
