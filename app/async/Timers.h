#pragma once

#include "core/seams/Clock.h"

#include <functional>
#include <memory>

namespace keldra {

// A running timer; destroying the handle stops it (also from inside its own callback).
class TimerHandle {
public:
    virtual ~TimerHandle() = default;
};

// Every delay of the application (the scheduler's ticker, the sampler, waits after wake, mount and network
// changes) goes through this seam, so tests move time instead of waiting. Callbacks run on the thread that
// started the timer.
class Timers {
public:
    virtual ~Timers() = default;
    // Calls `fire` once, `delay` from now.
    virtual std::unique_ptr<TimerHandle> singleShot(Seconds delay, std::function<void()> fire) = 0;
    // Calls `fire` every `interval`, the first time one interval from now.
    virtual std::unique_ptr<TimerHandle> repeating(Seconds interval, std::function<void()> fire) = 0;
};

} // namespace keldra
