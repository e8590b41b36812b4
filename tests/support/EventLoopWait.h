#pragma once

#include <chrono>
#include <functional>

namespace keldra::test {

// Runs the calling thread's Qt event loop (queued calls, D-Bus answers and timers arrive there) until `done`
// holds or the timeout passes; returns whether it held.
bool processEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace keldra::test
