#include "ui/question_box.h"

#include <QMessageBox>

namespace tallyvane {

bool AskYesNo(QWidget* parent, const QString& title, const QString& question) {
  QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("msgQuestion"));
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace tallyvane
