#pragma once

#include <functional>

// The big number that counts down before a delayed capture, on the screen under the pointer.
// One countdown at a time. Main thread only.
namespace Countdown {

// Counts down from `seconds`, then runs `then` 0.15 s after the panel is gone; a countdown
// already running is dropped with its action.
void run(int seconds, std::function<void()> then);
// Stops the running countdown without its action.
void cancel();

} // namespace Countdown
