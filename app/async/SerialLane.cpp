#include "app/async/SerialLane.h"

namespace keldra {

void SerialLane::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (draining_) {
            return;
        }
        draining_ = true;
    }
    // The lane stays alive while it drains, whoever drops it meanwhile.
    pool_.start([self = shared_from_this()] { self->drain(); });
}

void SerialLane::drain() {
    for (;;) {
        std::function<void()> job;
        {
            std::lock_guard lock(mutex_);
            if (jobs_.empty()) {
                draining_ = false;
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace keldra
