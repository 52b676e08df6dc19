#pragma once
// A label that never loses the start of its text: a text too long for the
// label's place is cut at its end with an ellipsis, and the whole text is
// the label's tool tip.
#include <QLabel>

namespace tallyvane {

// Whether the label's whole text shows in its place, wrapped if it wraps.
bool TextFits(const QLabel& label);

class FittedLabel : public QLabel {
 public:
  explicit FittedLabel(const QString& text = QString(), QWidget* parent = nullptr);
  // Hides QLabel::setText so that the tool tip follows the text.
  void setText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FollowText();
};

}  // namespace tallyvane
