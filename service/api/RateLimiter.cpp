#include "service/api/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace keldra {

namespace {

Seconds since(SystemTime later, SystemTime earlier) {
    return std::chrono::duration_cast<Seconds>(later - earlier);
}

} // namespace

RateLimiter::RateLimiter(const Clock& clock, Sleeper& sleeper, int limit)
    : clock_(clock), sleeper_(sleeper), limit_(limit) {}

double RateLimiter::acquire(const CancelToken& cancel) {
    const SystemTime start = clock_.now();
    for (;;) {
        throwIfCancelled(cancel);
        double nap = 0;
        {
            std::lock_guard lock(mutex_);
            const SystemTime now = clock_.now();
            if (now < blockedUntil_) {
                const double d = since(blockedUntil_, now).count();
                nap = d < 0.05 ? 0.05 : std::min(d, 3600.0);
            } else {
                while (!stamps_.empty() && since(now, stamps_.front()).count() >= window) {
                    stamps_.pop_front();
                }
                if (static_cast<int>(stamps_.size()) < limit_) {
                    stamps_.push_back(now);
                    return since(now, start).count();
                }
                const double w = window - since(now, stamps_.front()).count() + 0.05;
                nap = w < 0.05 ? 0.05 : std::min(w, window);
            }
        }
        // The lock is released: other requests take their own turns while this one naps.
        sleeper_.sleepOrThrow(Seconds(nap), cancel);
    }
}

void RateLimiter::blockUntil(double delaySeconds) {
    const double capped = std::isnan(delaySeconds) ? 0.0 : std::clamp(delaySeconds, 0.0, 3600.0);
    std::lock_guard lock(mutex_);
    const SystemTime until = clock_.now() + std::chrono::duration_cast<SystemTime::duration>(Seconds(capped));
    if (until > blockedUntil_) {
        blockedUntil_ = until;
    }
}

SystemTime RateLimiter::blockedUntil() const {
    std::lock_guard lock(mutex_);
    return blockedUntil_;
}

} // namespace keldra
