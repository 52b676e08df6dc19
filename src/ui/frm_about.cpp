#include "ui/frm_about.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "run/program_info.h"
#include "ui/fitted_label.h"
#include "ui/help_document.h"
#include "ui/icon_resources.h"

namespace tallyvane {
namespace {

// Positions in pixels, at 15 twips to the pixel.
constexpr int kWidth = 420;
constexpr int kHeight = 212;
constexpr int kTextLeft = 100;
constexpr int kTextWidth = kWidth - kTextLeft - 16;

// Labels of two lines wrap; a label of one line that is too short for its
// text cuts it at the end and shows it whole as its tool tip.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int top, int height = 20) {
  auto* label = new FittedLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(kTextLeft, top, kTextWidth, height);
  label->setWordWrap(height > 30);
  return label;
}

}  // namespace

QString VersionText(int major, int minor, int revision) {
  return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

FrmAbout::FrmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  EnsureIconResources();
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About %1").arg(QString::fromLatin1(kProductName)));
  setFixedSize(kWidth, kHeight);

  auto* logo = new QLabel(this);
  logo->setObjectName(QStringLiteral("imgLogo"));
  logo->setGeometry(16, 16, 70, 70);
  logo->setPixmap(QPixmap(QStringLiteral(":/tallyvane/icons/logo.png")));

  QLabel* name = AddLabel(this, "lblSysName", QString::fromLatin1(kProductName), 16, 24);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  name->setFont(bold);
  AddLabel(this, "lblSysVer", VersionText(kVersionMajor, kVersionMinor, kVersionRevision), 44);
  AddLabel(this, "lblCopyright", QString::fromUtf8(kLegalNotice), 68, 36);
  AddLabel(this, "lblRights",
           QStringLiteral("This program is protected by copyright law. It is provided as is, without warranty "
                          "of any kind."),
           110, 36);
  // The project has no web site: the help document is where to read on.
  const QString help = QString::fromStdString(HelpDocumentPath());
  AddLabel(this, "lblWebAddress", QStringLiteral("Help: %1").arg(help), 150);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setGeometry(kWidth - 16 - 89, kHeight - 12 - 25, 89, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tallyvane
