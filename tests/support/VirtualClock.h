#pragma once

#include "core/seams/Clock.h"

#include <mutex>

namespace keldra::test {

// A clock that moves only when told to.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(SystemTime start = fromUnixSeconds(1'800'000'000.0)) : now_(start) {}

    SystemTime now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void advance(Seconds by) {
        std::lock_guard lock(mutex_);
        now_ += std::chrono::duration_cast<SystemTime::duration>(by);
    }
    void set(SystemTime to) {
        std::lock_guard lock(mutex_);
        now_ = to;
    }

private:
    mutable std::mutex mutex_;
    SystemTime now_;
};

} // namespace keldra::test
