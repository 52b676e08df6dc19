#include "platform/interruption.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <thread>

namespace tallyvane {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_run_active = 0;
volatile std::sig_atomic_t g_pending = 0;
volatile std::sig_atomic_t g_can_abandon = 0;
volatile std::sig_atomic_t g_repeated = 0;
int g_wake[2] = {-1, -1};

std::mutex& CancelMutex() {
  static std::mutex mutex;
  return mutex;
}
const std::function<void()>* g_cancel = nullptr;      // guarded by CancelMutex
const std::function<void(int)>* g_abandon = nullptr;  // guarded by CancelMutex

void Wake() {
  const int saved = errno;
  const char byte = 1;
  if (::write(g_wake[1], &byte, 1) < 0) {
    // The flag alone still stops the run at its next safe point.
  }
  errno = saved;
}

void OnTerminationSignal(int signal_number) {
  if (g_run_active && g_pending > 0 && g_can_abandon) {
    // A second signal while the run cleans up or waits on a driver: it is
    // given up at once, its log and lock still put in order.
    g_repeated = 1;
    Wake();
    return;
  }
  // A signal after the operator's own stop from the window counts as the
  // first one.
  if (!g_run_active || g_pending > 0) {
    // Outside a run, or a second time while the run cleans up: the signal,
    // blocked while the handler runs, is delivered again with its default
    // action as soon as the handler returns.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    return;
  }
  g_pending = signal_number;
  Wake();
}

// The run did not end in time: its files are put in order from here and
// the process ends, whatever its own thread is waiting for.
[[noreturn]] void Abandon() {
  {
    std::lock_guard<std::mutex> lock(CancelMutex());
    if (g_abandon != nullptr && *g_abandon) (*g_abandon)(g_pending);
  }
  ::_exit(2);
}

void CancelOnWake() {
  char byte;
  for (;;) {
    const ssize_t got = ::read(g_wake[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    // The call may not have reached the database yet when the first cancel
    // comes: cancel again until it has returned. Only while the stop is
    // pending: after a Stop from the window the next run may start at once,
    // and its statements must run. A run stopped by a signal is given up
    // when it has not ended in time; one stopped from the window is waited
    // for, since giving it up would end the window too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kAbandonSeconds);
    for (bool waiting = true; waiting;) {
      bool can_abandon = false;
      {
        std::lock_guard<std::mutex> lock(CancelMutex());
        const bool stopping = g_pending != 0;
        if (stopping && g_cancel != nullptr) (*g_cancel)();
        can_abandon = g_abandon != nullptr && g_pending > 0;
        waiting = stopping && (g_cancel != nullptr || (g_run_active && can_abandon));
      }
      if (waiting && can_abandon && (g_repeated || std::chrono::steady_clock::now() > deadline)) Abandon();
      if (waiting) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

}  // namespace

void InstallInterruptionHandlers() {
  if (g_wake[0] >= 0 || ::pipe2(g_wake, O_CLOEXEC) != 0) return;
  // The watcher thread never takes a signal itself.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  for (int s : kSignals) sigaddset(&blocked, s);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  std::thread(CancelOnWake).detach();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) sigaction(s, &action, nullptr);
}

InterruptibleRun::InterruptibleRun(std::function<void(int)> abandon) : abandon_(std::move(abandon)) {
  {
    std::lock_guard<std::mutex> lock(CancelMutex());
    g_abandon = abandon_ ? &abandon_ : nullptr;
  }
  g_repeated = 0;
  g_pending = 0;
  g_can_abandon = abandon_ ? 1 : 0;
  g_run_active = 1;
}

InterruptibleRun::~InterruptibleRun() {
  g_run_active = 0;
  g_can_abandon = 0;
  std::lock_guard<std::mutex> lock(CancelMutex());
  g_abandon = nullptr;
}

int PendingInterruption() { return g_pending; }

void StopIfInterrupted() {
  if (g_pending != 0) throw RunInterrupted{g_pending};
}

void RequestStop() {
  if (!g_run_active || g_pending != 0) return;
  InstallInterruptionHandlers();  // the watcher that cancels; once per process
  g_pending = kStopRequested;
  Wake();
}

std::string SignalName(int signal_number) {
  switch (signal_number) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "signal " + std::to_string(signal_number);
  }
}

CancelOnInterruption::CancelOnInterruption(std::function<void()> cancel) : cancel_(std::move(cancel)) {
  std::lock_guard<std::mutex> lock(CancelMutex());
  g_cancel = &cancel_;
}

CancelOnInterruption::~CancelOnInterruption() {
  std::lock_guard<std::mutex> lock(CancelMutex());
  if (g_cancel == &cancel_) g_cancel = nullptr;
}

}  // namespace tallyvane
