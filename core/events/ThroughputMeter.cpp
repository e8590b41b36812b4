#include "core/events/ThroughputMeter.h"

namespace keldra {

void ThroughputMeter::add(int64_t bytes) {
    if (bytes <= 0) {
        return;
    }
    std::lock_guard guard(lock_);
    pending_ += bytes;
}

int64_t ThroughputMeter::takePending() {
    std::lock_guard guard(lock_);
    const int64_t value = pending_;
    pending_ = 0;
    return value;
}

} // namespace keldra
