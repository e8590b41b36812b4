#pragma once

#include <chrono>

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

inline SystemTime fromUnixSeconds(double seconds) {
    return SystemTime(std::chrono::duration_cast<SystemTime::duration>(Seconds(seconds)));
}

// Stored records count seconds from 2001-01-01 00:00:00 UTC.
inline constexpr double referenceDateUnixSeconds = 978307200.0;

inline double toReferenceSeconds(SystemTime t) { return toUnixSeconds(t) - referenceDateUnixSeconds; }

inline SystemTime fromReferenceSeconds(double seconds) {
    return fromUnixSeconds(seconds + referenceDateUnixSeconds);
}

} // namespace keldra
