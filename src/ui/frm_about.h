#pragma once
// frmAbout: the product name, the version and the legal notice.
#include <QDialog>

namespace tallyvane {

class FrmAbout : public QDialog {
 public:
  explicit FrmAbout(QWidget* owner);
};

// "Version " and the major, minor and revision numbers, a revision of 0
// included.
QString VersionText(int major, int minor, int revision);

}  // namespace tallyvane
