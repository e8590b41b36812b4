#pragma once

#include "core/events/ThroughputMeter.h"

#include <cstdint>
#include <mutex>

namespace keldra {

// Turns an upload's running total of bytes sent into increments for the shared meter. One per upload
// link; a retried PUT starts again from zero. Called from the transport's threads.
class SentCounter {
public:
    explicit SentCounter(ThroughputMeter& meter) : meter_(meter) {}

    void reset();
    // The total sent so far; progress that goes backwards adds nothing.
    void record(std::int64_t totalSent);

private:
    ThroughputMeter& meter_;
    std::mutex lock_;
    std::int64_t last_ = 0;
};

} // namespace keldra
