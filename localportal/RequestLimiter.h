#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace keldra::localportal {

// The portal's limit on authenticated requests: at most `limit` per account in any 60-second window,
// counted when a request is admitted (refused requests do not count). Thread-safe.
class RequestLimiter {
public:
    static constexpr int standardLimit = 590;
    static constexpr std::chrono::seconds window{60};

    explicit RequestLimiter(int limit = standardLimit) : limit_(limit) {}

    int limit() const { return limit_; }

    // Nothing when the request may go on (it is counted); else the whole seconds until it may be sent
    // again, at least 1 (the answer's Retry-After).
    std::optional<std::int64_t> admit(std::int64_t accountId);
    void reset();

private:
    using Clock = std::chrono::steady_clock;

    const int limit_;
    std::mutex mutex_;
    std::map<std::int64_t, std::deque<Clock::time_point>> stamps_;
};

} // namespace keldra::localportal
