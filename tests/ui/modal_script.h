#pragma once
// Answers the modal windows that a command opens, as an operator would:
// each step waits for a matching modal window and acts on it.
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace tallyvane::test {

// What a message box showed.
struct BoxSeen {
  bool shown = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class ModalScript {
 public:
  ModalScript();
  // Fails the test for every step that never found its window; closes any
  // modal window still open so that a failing test cannot hang.
  ~ModalScript();

  // When a modal window for which matches is true becomes the active one,
  // act runs on it (once).
  void When(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act);
  // Clicks the button of the next message box and records what it showed.
  void AnswerMessageBox(QMessageBox::StandardButton button, BoxSeen* seen = nullptr);
  // Acts on the next modal window with that object name.
  void WhenNamed(const QString& name, std::function<void(QWidget*)> act);

 private:
  struct Step {
    std::unique_ptr<QTimer> timer;
    bool done = false;
  };
  std::vector<std::unique_ptr<Step>> steps_;
  QTimer watchdog_;
};

}  // namespace tallyvane::test
