#include "platform/blocking_call.h"

#include <atomic>

namespace tallyvane {
namespace {

std::atomic<BlockingCallWaiter> g_waiter{nullptr};

}  // namespace

void SetBlockingCallWaiter(BlockingCallWaiter waiter) { g_waiter = waiter; }

void RunBlockingCall(const std::function<void()>& call) {
  const BlockingCallWaiter waiter = g_waiter;
  if (waiter == nullptr) {
    call();
  } else {
    waiter(call);
  }
}

}  // namespace tallyvane
