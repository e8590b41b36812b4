#include "localportal/RequestLimiter.h"

#include <algorithm>

namespace keldra::localportal {

std::optional<std::int64_t> RequestLimiter::admit(std::int64_t accountId) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    auto& stamps = stamps_[accountId];
    while (!stamps.empty() && now - stamps.front() >= window) {
        stamps.pop_front();
    }
    if (stamps.size() < static_cast<std::size_t>(limit_)) {
        stamps.push_back(now);
        return std::nullopt;
    }
    const auto wait = stamps.front() + window - now;
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait).count();
    return std::max<std::int64_t>(1, seconds);
}

void RequestLimiter::reset() {
    std::lock_guard lock(mutex_);
    stamps_.clear();
}

} // namespace keldra::localportal
