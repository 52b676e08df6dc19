#include "modal_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

namespace tallyvane::test {
namespace {

constexpr int kPollMs = 5;
constexpr int kWatchdogMs = 20000;

void CloseModalWindows() {
  for (int guard = 0; guard < 10; ++guard) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    dialog->reject();
    QApplication::processEvents();
  }
}

}  // namespace

ModalScript::ModalScript() {
  watchdog_.setSingleShot(true);
  QObject::connect(&watchdog_, &QTimer::timeout, [] {
    ADD_FAILURE() << "a modal window stayed open without an answer";
    CloseModalWindows();
  });
  watchdog_.start(kWatchdogMs);
}

ModalScript::~ModalScript() {
  for (const auto& step : steps_) {
    step->timer->stop();
    EXPECT_TRUE(step->done) << "an expected modal window never appeared";
  }
  CloseModalWindows();
}

void ModalScript::When(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act) {
  auto step = std::make_unique<Step>();
  Step* raw = step.get();
  raw->timer = std::make_unique<QTimer>();
  raw->timer->setInterval(kPollMs);
  QObject::connect(raw->timer.get(), &QTimer::timeout, [raw, matches, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !matches(modal)) return;
    raw->timer->stop();
    raw->done = true;
    act(modal);
  });
  raw->timer->start();
  steps_.push_back(std::move(step));
}

void ModalScript::AnswerMessageBox(QMessageBox::StandardButton button, BoxSeen* seen) {
  When([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
       [button, seen](QWidget* modal) {
         auto* box = qobject_cast<QMessageBox*>(modal);
         if (seen != nullptr) {
           seen->shown = true;
           seen->title = box->windowTitle();
           seen->text = box->text();
           seen->icon = box->icon();
         }
         QAbstractButton* target = box->button(button);
         ASSERT_NE(target, nullptr) << "the message box has no such button";
         target->click();
       });
}

void ModalScript::WhenNamed(const QString& name, std::function<void(QWidget*)> act) {
  When([name](QWidget* modal) { return modal->objectName() == name; }, std::move(act));
}

}  // namespace tallyvane::test
