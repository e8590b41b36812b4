#include "engine/SentCounter.h"

#include <algorithm>

namespace keldra {

void SentCounter::reset() {
    std::lock_guard guard(lock_);
    last_ = 0;
}

void SentCounter::record(std::int64_t totalSent) {
    std::int64_t delta = 0;
    {
        std::lock_guard guard(lock_);
        delta = totalSent - last_;
        last_ = std::max(last_, totalSent);
    }
    // The meter's lock is taken only after ours is released: the two are never held together.
    if (delta >= 1) {
        meter_.add(delta);
    }
}

} // namespace keldra
