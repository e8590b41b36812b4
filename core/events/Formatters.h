#pragma once

#include "core/seams/Clock.h"

#include <string>

namespace keldra {

// "42s", "5m 3s", "1h 5m": seconds rounded half away from zero; hours drop the seconds.
std::string formatDuration(double seconds);

// A speed as a number and its unit, shown side by side: ("250", "MB/s"), ("1.0", "MB/s"), ("999", "KB/s").
struct ThroughputText {
    std::string number;
    std::string unit;
    friend bool operator==(const ThroughputText&, const ThroughputText&) = default;
};
ThroughputText formatThroughput(double bytesPerSecond);

// "just now", "5 min ago", "1 hour ago", "3 days ago"; a date in the future is "just now".
std::string formatRelativeAge(SystemTime date, SystemTime now);

// "Today 3:07 PM", "Yesterday 15:07", else weekday, day, month and time arranged by the current (C library)
// locale, in local time.
std::string formatLogTimestamp(SystemTime date, SystemTime now);

} // namespace keldra
