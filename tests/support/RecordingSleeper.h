#pragma once

#include "core/seams/Sleeper.h"
#include "tests/support/VirtualClock.h"

#include <mutex>
#include <vector>

namespace keldra::test {

// Records every wait instead of sleeping and, when given a virtual clock, moves it forward by the wait.
class RecordingSleeper final : public Sleeper {
public:
    explicit RecordingSleeper(VirtualClock* clock = nullptr) : clock_(clock) {}

    bool sleep(Seconds duration, const CancelToken& token) override {
        if (token.stop_requested()) {
            return false;
        }
        {
            std::lock_guard lock(mutex_);
            waits_.push_back(duration);
        }
        if (clock_ != nullptr) {
            clock_->advance(duration);
        }
        return !token.stop_requested();
    }

    std::vector<Seconds> waits() const {
        std::lock_guard lock(mutex_);
        return waits_;
    }
    std::vector<double> waitSeconds() const {
        std::lock_guard lock(mutex_);
        std::vector<double> out;
        for (auto w : waits_) {
            out.push_back(w.count());
        }
        return out;
    }
    Seconds total() const {
        std::lock_guard lock(mutex_);
        Seconds sum{0};
        for (auto w : waits_) {
            sum += w;
        }
        return sum;
    }

private:
    VirtualClock* clock_;
    mutable std::mutex mutex_;
    std::vector<Seconds> waits_;
};

} // namespace keldra::test
