#include "ui/config_file_dialog.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace tallyvane {

ConfigFileDialog::ConfigFileDialog(QWidget* owner) : QFileDialog(owner) {
  setObjectName(QStringLiteral("dlgCfgFile"));
  setWindowTitle(QStringLiteral("Select Configuration File"));
  setNameFilters(QStringList{QStringLiteral("INI files (*.ini)"), QStringLiteral("All type files (*.*)")});
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  // The desktop's own dialog would escape the window's modality and the
  // checks below.
  setOption(QFileDialog::DontUseNativeDialog, true);
}

QString ConfigFileDialog::Pick(const QString& initial_folder) {
  selectNameFilter(nameFilters().constFirst());
  if (!initial_folder.isEmpty()) setDirectory(initial_folder);
  exec();
  return file_name_;
}

// Only an existing file that can be written is accepted: the parameter
// dialog writes its defaults back into the configuration file.
void ConfigFileDialog::accept() {
  const QStringList files = selectedFiles();
  if (files.isEmpty()) return;
  const QFileInfo file(files.constFirst());
  if (file.isDir()) {
    QFileDialog::accept();  // enters the folder
    return;
  }
  if (!file.exists()) {
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The file \"%1\" does not exist.").arg(file.filePath()));
    return;
  }
  if (!file.isWritable()) {
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("The file \"%1\" is read-only. Choose another file.").arg(file.filePath()));
    return;
  }
  file_name_ = file.absoluteFilePath();
  QFileDialog::accept();
}

}  // namespace tallyvane
