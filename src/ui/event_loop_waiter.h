#pragma once
// The window's waiter for blocking calls: the call runs on a helper thread
// while the window thread keeps handling its events (painting, Stop, the
// close button), and the run goes on only once the call has returned.
#include <functional>

namespace tallyvane {

void RunWhileEventsFlow(const std::function<void()>& call);

// Lets the window handle what is waiting (input included) between two
// steps of a run.
void LetEventsFlow();

}  // namespace tallyvane
