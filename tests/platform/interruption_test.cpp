#include "platform/interruption.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace tallyvane {
namespace {

bool WaitFor(const std::atomic<bool>& flag) {
  for (int i = 0; i < 500 && !flag; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return flag;
}

TEST(Interruption, EachTerminationSignalStopsTheRunAtItsNextSafePoint) {
  InstallInterruptionHandlers();
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(SignalName(signal_number));
    InterruptibleRun run;
    std::atomic<bool> cancelled{false};
    CancelOnInterruption cancel([&] { cancelled = true; });
    EXPECT_NO_THROW(StopIfInterrupted());
    std::raise(signal_number);
    EXPECT_EQ(PendingInterruption(), signal_number);
    EXPECT_TRUE(WaitFor(cancelled)) << "a blocking call is cancelled from the watcher thread";
    try {
      StopIfInterrupted();
      ADD_FAILURE() << "no stop";
    } catch (const RunInterrupted& stop) {
      EXPECT_EQ(stop.signal_number, signal_number);
    }
  }
  InterruptibleRun next;
  EXPECT_EQ(PendingInterruption(), 0) << "a new run starts without the last run's signal";
}

TEST(InterruptionDeathTest, OutsideARunASignalEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallInterruptionHandlers();
        { InterruptibleRun finished; }
        std::raise(SIGHUP);
      },
      testing::KilledBySignal(SIGHUP), "");
}

TEST(SignalName, NamesTheThreeSignalsAndNumbersOthers) {
  EXPECT_EQ(SignalName(SIGTERM), "SIGTERM");
  EXPECT_EQ(SignalName(SIGINT), "SIGINT");
  EXPECT_EQ(SignalName(SIGHUP), "SIGHUP");
  EXPECT_EQ(SignalName(SIGUSR1), "signal " + std::to_string(SIGUSR1));
}

}  // namespace
}  // namespace tallyvane
