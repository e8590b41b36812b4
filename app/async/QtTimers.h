#pragma once

#include "app/async/Timers.h"

namespace keldra {

// Timers on the Qt event loop of the calling thread.
class QtTimers final : public Timers {
public:
    std::unique_ptr<TimerHandle> singleShot(Seconds delay, std::function<void()> fire) override;
    std::unique_ptr<TimerHandle> repeating(Seconds interval, std::function<void()> fire) override;
};

} // namespace keldra
