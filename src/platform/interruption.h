#pragma once
// Termination signals (SIGTERM, SIGINT, SIGHUP) during a run: the run stops
// at its next safe point instead of dying where it stands, so that it can
// log why, remove its temporary files and close its log. Outside a run, and
// a second time during one, the signals end the process as usual.
#include <functional>
#include <string>

namespace tallyvane {

// Thrown at a safe point once a termination signal has arrived. It is not a
// std::exception on purpose: no step's failure trap may take it for an
// ordinary error and carry on with the next statement.
struct RunInterrupted {
  int signal_number;
};

// Installs the handlers and the thread that cancels a blocking call.
void InstallInterruptionHandlers();

// Marks the span of one run, during which the signals only set a flag.
// Given abandon, a run that has not ended kAbandonSeconds after the signal
// (a driver call that no cancel reaches), or that gets a second signal, is
// given up: abandon runs on another thread, while the run's own thread may
// still be blocked, with the signal's number, to put the run's files in
// order without touching anything that thread uses; the process then ends
// with status 2, leaving the connection to the system. A run stopped from
// the window (RequestStop) is never given up: the window goes on after it.
class InterruptibleRun {
 public:
  explicit InterruptibleRun(std::function<void(int)> abandon = nullptr);
  ~InterruptibleRun();
  InterruptibleRun(const InterruptibleRun&) = delete;
  InterruptibleRun& operator=(const InterruptibleRun&) = delete;

 private:
  std::function<void(int)> abandon_;
};

inline constexpr int kAbandonSeconds = 5;

// The signal that asked the run to stop, or 0.
int PendingInterruption();
// A safe point: throws RunInterrupted when a signal has arrived.
void StopIfInterrupted();
// What PendingInterruption gives once the operator asked the run to stop:
// no signal number, and the program goes on after the run.
inline constexpr int kStopRequested = -1;
// Asks the running run to stop the way a termination signal does: the next
// safe point throws RunInterrupted and a blocking call is cancelled.
// Outside a run, or once a stop is pending, it does nothing.
void RequestStop();

// "SIGTERM", "SIGINT", "SIGHUP" or the number.
std::string SignalName(int signal_number);

// While it lives, a termination signal calls cancel from another thread, so
// that a long blocking call (a database statement) returns early. The
// object is gone only once no cancel is running.
class CancelOnInterruption {
 public:
  explicit CancelOnInterruption(std::function<void()> cancel);
  ~CancelOnInterruption();
  CancelOnInterruption(const CancelOnInterruption&) = delete;
  CancelOnInterruption& operator=(const CancelOnInterruption&) = delete;

 private:
  std::function<void()> cancel_;
};

}  // namespace tallyvane
