#include "ui/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace tallyvane {

HelpWindow::HelpWindow(const std::string& path, QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Tallyvane Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("txtHelp"));
  // Links within the document are followed here; others stay where they are.
  browser_->setOpenLinks(true);
  browser_->setOpenExternalLinks(false);
  browser_->setSource(QUrl::fromLocalFile(FromUtf8(path)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(720, 560);
}

}  // namespace tallyvane
