#include "ui/fitted_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace tallyvane {

bool TextFits(const QLabel& label) {
  const QRect room = label.contentsRect();
  const int flags = static_cast<int>(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
  const QRect needed = label.fontMetrics().boundingRect(room, flags, label.text());
  return needed.width() <= room.width() && needed.height() <= room.height();
}

FittedLabel::FittedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { FollowText(); }

void FittedLabel::setText(const QString& text) {
  QLabel::setText(text);
  FollowText();
}

// A text that does not fit shows as one line from its start, cut at the end.
void FittedLabel::paintEvent(QPaintEvent* event) {
  if (TextFits(*this)) return QLabel::paintEvent(event);
  QPainter painter(this);
  const QRect room = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
  const Qt::Alignment placement = (alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
  style()->drawItemText(&painter, room, static_cast<int>(placement), palette(), isEnabled(), shown, foregroundRole());
}

void FittedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  FollowText();
}

void FittedLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FollowText();
}

void FittedLabel::FollowText() { setToolTip(TextFits(*this) ? QString() : text()); }

}  // namespace tallyvane
