#pragma once

#include "core/seams/CancelToken.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"

#include <deque>
#include <mutex>

namespace keldra {

// Keeps authenticated portal requests within the portal's limit (590 in any 60-second window) and
// holds every request back while a 429's Retry-After runs. Thread-safe; never sleeps holding its lock.
class RateLimiter {
public:
    static constexpr int defaultLimit = 590;
    static constexpr double window = 60.0;

    RateLimiter(const Clock& clock, Sleeper& sleeper, int limit = defaultLimit);

    // Waits until a request may be sent, records it and returns the seconds it waited. Throws
    // CancelledError when cancelled while waiting.
    double acquire(const CancelToken& cancel = {});

    // Holds every later request back until now + min(delay, 1 hour), unless already held longer.
    void blockUntil(double delaySeconds);

    SystemTime blockedUntil() const;

private:
    const Clock& clock_;
    Sleeper& sleeper_;
    const int limit_;
    mutable std::mutex mutex_;
    std::deque<SystemTime> stamps_;
    SystemTime blockedUntil_{};
};

} // namespace keldra
