#include "ui/event_loop_waiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <atomic>
#include <exception>
#include <thread>

namespace tallyvane {

void RunWhileEventsFlow(const std::function<void()>& call) {
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  QEventLoop loop;
  std::thread helper([&] {
    try {
      call();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  // The application's own exit ends every event loop, and later ones at
  // once (-1): then just wait, the call uses objects on this stack.
  while (!done) {
    if (loop.exec() == -1) break;
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
}

void LetEventsFlow() { QCoreApplication::processEvents(); }

}  // namespace tallyvane
