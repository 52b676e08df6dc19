#include "ui/question_box.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace tallyvane {
namespace {

// Room in a title bar besides the title: the icon and three buttons.
constexpr int kTitleBarFurniture = 180;

}  // namespace

void FitBoxToTitle(QMessageBox& box) {
  QFont title_font = box.font();
  title_font.setBold(true);  // as most window frames draw titles
  const int width = QFontMetrics(title_font).horizontalAdvance(box.windowTitle()) + kTitleBarFurniture;
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                grid->columnCount());
}

bool AskYesNo(QWidget* parent, const QString& title, const QString& question) {
  QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("msgQuestion"));
  box.setDefaultButton(QMessageBox::Yes);
  FitBoxToTitle(box);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace tallyvane
