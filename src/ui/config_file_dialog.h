#pragma once
// dlgCfgFile: the Open dialog in which the operator picks a configuration
// file. It keeps the last pick from one use to the next.
#include <QFileDialog>
#include <QString>

namespace tallyvane {

class ConfigFileDialog : public QFileDialog {
 public:
  explicit ConfigFileDialog(QWidget* owner);

  // Shows the dialog modally, opening in initial_folder unless it is
  // empty, and returns the dialog's file name afterwards: the file picked
  // now, else the one picked at an earlier use, else the empty text.
  QString Pick(const QString& initial_folder);

  void accept() override;

 private:
  QString file_name_;
};

}  // namespace tallyvane
