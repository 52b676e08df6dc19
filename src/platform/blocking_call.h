#pragma once
// A call that may block for long (a database statement) goes through here,
// so that a window can keep answering its operator meanwhile. Without a
// waiter the call simply runs in place, as in the unattended mode.
#include <functional>

namespace tallyvane {

// Runs call to its end and returns only then; the call's exception, if
// any, is thrown again to the caller.
using BlockingCallWaiter = void (*)(const std::function<void()>& call);

// Installs the waiter for the calls that follow; null restores the plain
// call in place.
void SetBlockingCallWaiter(BlockingCallWaiter waiter);

// Runs call through the installed waiter.
void RunBlockingCall(const std::function<void()>& call);

}  // namespace tallyvane
