#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

namespace keldra {

using SystemTime = std::chrono::system_clock::time_point;
using Seconds = std::chrono::duration<double>;

// Wall-clock time, injected so waits of minutes or hours can be tested with a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual SystemTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    SystemTime now() const override { return std::chrono::system_clock::now(); }
};

// Seconds since 1970 as a double, the unit of the index and its meta values.
inline double toUnixSeconds(SystemTime t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// The clock counts nanoseconds in 64 bits: about 292 years either side of 1970. A stored time beyond that
// (a damaged record) has no time point; converting it anyway would overflow.
inline constexpr double clockLimitSeconds = 9.2e9;

// None for a value that is not finite or lies beyond the clock's range.
inline std::optional<SystemTime> checkedFromUnixSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::abs(seconds) > clockLimitSeconds) {
        return std::nullopt;
    }
    return SystemTime(std::chrono::duration_cast<SystemTime::duration>(Seconds(seconds)));
}

// The same, held at the clock's range (NaN as 1970) for rows that must always read as some time.
inline SystemTime fromUnixSeconds(double seconds) {
    if (std::isnan(seconds)) {
        seconds = 0;
    }
    return *checkedFromUnixSeconds(std::clamp(seconds, -clockLimitSeconds, clockLimitSeconds));
}

// Stored records count seconds from 2001-01-01 00:00:00 UTC.
inline constexpr double referenceDateUnixSeconds = 978307200.0;

inline double toReferenceSeconds(SystemTime t) {
    return toUnixSeconds(t) - referenceDateUnixSeconds;
}

inline SystemTime fromReferenceSeconds(double seconds) {
    return fromUnixSeconds(seconds + referenceDateUnixSeconds);
}

// None for a stored time that is not finite or lies beyond the clock's range: such a record does not decode.
inline std::optional<SystemTime> checkedFromReferenceSeconds(double seconds) {
    return checkedFromUnixSeconds(seconds + referenceDateUnixSeconds);
}

} // namespace keldra
