#pragma once

#include <functional>

namespace keldra {

// Tells when the computer wakes from sleep, so the scheduler can catch up.
class SleepWatcher {
public:
    virtual ~SleepWatcher() = default;
    // Called on the thread that owns the watcher (the UI thread) after each wake. Replaces an earlier one.
    virtual void setOnWake(std::function<void()> onWake) = 0;
};

} // namespace keldra
