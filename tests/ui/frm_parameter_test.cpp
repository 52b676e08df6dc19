// The parameter dialog as the Start command shows it: rows, geometry, the
// question on OK, the write-back of defaults, Cancel.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>

#include "config/run_parameters.h"
#include "main_window_fixture.h"
#include "ui/frm_parameter.h"

namespace tallyvane::test {
namespace {

template <typename T>
T* Child(QWidget* dialog, const QString& name) {
  T* widget = dialog->findChild<T*>(name);
  EXPECT_NE(widget, nullptr) << name.toStdString();
  return widget;
}

QLineEdit* ValueBox(QWidget* dialog, int row) { return Child<QLineEdit>(dialog, QStringLiteral("txtPVaule%1").arg(row)); }
QLabel* NameLabel(QWidget* dialog, int row) { return Child<QLabel>(dialog, QStringLiteral("lblPName%1").arg(row)); }
void Click(QWidget* dialog, const char* button) { Child<QPushButton>(dialog, QString::fromLatin1(button))->click(); }

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// Year with a description and a default, then Month under number 3 with
// neither.
const char* const kYearAndMonth =
    "Name1=Year\nDesc1=Report year\nDefault1=2004\nName3=Month\nDefault3=10\n";

class ParameterDialogTest : public MainWindowTest {};

TEST_F(ParameterDialogTest, ShowsTheDeclaredRowsInOrderAndFitsThem) {
  std::string ten;
  for (int k = 1; k <= 10; ++k) ten += "Name" + std::to_string(k) + "=P" + std::to_string(k) + "\n";
  const std::tuple<std::string, QStringList, QStringList> cases[] = {
      {"Name1=Year\nDesc1=\nDefault1=2004\n", {"Year"}, {"2004"}},
      {kYearAndMonth, {"Report year", "Month"}, {"2004", "10"}},
      {ten, {"P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10"}, QStringList(10, QString())},
  };
  for (const auto& [section, labels, values] : cases) {
    SetConfigBox(WriteConfigFailingAtConnection(section));
    ModalScript script;
    script.WhenNamed("frmParameter", [&, &labels = labels, &values = values](QWidget* dialog) {
      const int rows = static_cast<int>(labels.size());
      for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ValueBox(dialog, i)->isVisible(), i < rows) << i;
        if (i >= rows) continue;
        EXPECT_EQ(NameLabel(dialog, i)->text(), labels[i]);
        EXPECT_EQ(ValueBox(dialog, i)->text(), values[i]);
      }
      const int lift = (10 - rows) * kParameterRowPitch;
      EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->y(), kParameterButtonsFullTop - lift);
      EXPECT_EQ(dialog->size(), QSize(kParameterDialogWidth, kParameterDialogFullHeight - lift));
      EXPECT_TRUE(Child<QCheckBox>(dialog, "chkSaveDefault")->isChecked());
      Click(dialog, "cmdCancel");
    });
    window_->Start();
    EXPECT_FALSE(context_.RunConfirmed);
  }
}

// Cancel, Esc and the window frame all close the dialog without storing
// anything; OK with the save box unchecked runs with the typed values only.
TEST_F(ParameterDialogTest, OnlyOkWithSaveCheckedStoresTheValues) {
  const std::string config = WriteConfigFailingAtConnection(kYearAndMonth);
  const std::string before = ReadFileBytes(config);
  ModalScript* script = nullptr;
  const std::function<void(QWidget*)> closers[] = {
      [](QWidget* dialog) { Click(dialog, "cmdCancel"); },
      [](QWidget* dialog) { QTest::keyClick(ValueBox(dialog, 0), Qt::Key_Escape); },
      [](QWidget* dialog) { dialog->close(); },
      [&](QWidget* dialog) {
        Child<QCheckBox>(dialog, "chkSaveDefault")->setChecked(false);
        script->AnswerMessageBox(QMessageBox::Yes);
        Click(dialog, "cmdOK");
      },
  };
  for (const auto& close : closers) {
    const bool ok = &close == &closers[3];
    SetConfigBox(config);
    ModalScript answers;
    script = &answers;
    answers.WhenNamed("frmParameter", [&](QWidget* dialog) {
      ValueBox(dialog, 0)->setText("");
      close(dialog);
    });
    window_->Start();
    EXPECT_EQ(context_.RunConfirmed, ok);
    EXPECT_EQ(context_.Parameters[0].Value, ok ? "" : "2004");
    EXPECT_EQ(ReadFileBytes(config), before);
    EXPECT_EQ(std::filesystem::exists(LogPath()), ok);
  }
}

TEST_F(ParameterDialogTest, OkAsksFirstAndSavesExactlyTheDeclaredKeys) {
  const std::string config = WriteConfigFailingAtConnection(kYearAndMonth);
  const std::string before = WithoutCarriageReturns(ReadFileBytes(config));
  SetConfigBox(config);
  ModalScript script;
  BoxSeen first_answer;
  script.WhenNamed("frmParameter", [&](QWidget* dialog) {
    ValueBox(dialog, 0)->setText("2005 Q1");
    ValueBox(dialog, 1)->setText("11");
    script.AnswerMessageBox(QMessageBox::No, &first_answer);
    Click(dialog, "cmdOK");
    EXPECT_TRUE(dialog->isVisible()) << "No keeps the dialog open";
    EXPECT_FALSE(context_.RunConfirmed);
    EXPECT_EQ(WithoutCarriageReturns(ReadFileBytes(config)), before) << "No stores nothing";
    script.AnswerMessageBox(QMessageBox::Yes);
    Click(dialog, "cmdOK");
  });
  window_->Start();
  EXPECT_EQ(first_answer.title, "Input Parameters");
  EXPECT_EQ(first_answer.text, "Generate report?");
  EXPECT_EQ(first_answer.icon, QMessageBox::Question);
  EXPECT_TRUE(context_.RunConfirmed);
  EXPECT_EQ(context_.Parameters[0].Value, "2005 Q1");
  EXPECT_EQ(context_.Parameters[1].Value, "11");
  EXPECT_TRUE(std::filesystem::exists(LogPath())) << "Yes starts the run";

  std::string expected = before;
  expected.replace(expected.find("Default1=2004"), 13, "Default1=2005 Q1");
  expected.replace(expected.find("Default3=10"), 11, "Default3=11");
  // Names and descriptions rewritten unchanged, defaults in place, and no
  // description created for Month.
  EXPECT_EQ(WithoutCarriageReturns(ReadFileBytes(config)), expected);

  // The next load reads the saved defaults.
  LoadParameters(context_);
  EXPECT_EQ(context_.Parameters[1].Value, "11");
}

TEST_F(ParameterDialogTest, AFailedSaveIsToldAndTheRunStillConfirmed) {
  context_.CfgFileName = folder_.File("no-such-folder/report.ini");
  context_.ParameterCount = 1;
  context_.Parameters[0] = RunParameter{"Year", "", "2004", 1};
  FrmParameter dialog(context_, window_.get());
  ModalScript script;
  BoxSeen error;
  script.WhenNamed("frmParameter", [&](QWidget* shown) {
    script.AnswerMessageBox(QMessageBox::Yes);
    script.AnswerMessageBox(QMessageBox::Ok, &error);
    Click(shown, "cmdOK");
  });
  dialog.exec();
  EXPECT_TRUE(context_.RunConfirmed);
  EXPECT_EQ(error.text.toStdString(), "Error!\nError Info: Cannot save the default values of the parameters into \"" +
                                          context_.CfgFileName + "\".");
}

}  // namespace
}  // namespace tallyvane::test
