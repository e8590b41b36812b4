#include "core/events/Formatters.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <langinfo.h>
#include <string_view>

namespace keldra {

namespace {

// Fixed-point text independent of the process locale, rounded like printf's "%.Nf".
std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::tm localTime(SystemTime time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

bool sameDay(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_yday == b.tm_yday;
}

std::string formatTime(const std::tm& parts, const char* pattern) {
    char buffer[128];
    const size_t length = std::strftime(buffer, sizeof buffer, pattern, &parts);
    return std::string(buffer, length);
}

// The locale's clock convention, from its time format: 12-hour clocks name %I, %l or %r.
bool usesTwelveHourClock() {
    const std::string_view format = nl_langinfo(T_FMT);
    const std::string_view ampm = nl_langinfo(AM_STR);
    return !ampm.empty() &&
           (format.find("%I") != std::string_view::npos || format.find("%l") != std::string_view::npos ||
            format.find("%r") != std::string_view::npos);
}

// Whether the locale writes the month before the day (as in "12/31/2024").
bool monthBeforeDay() {
    const std::string_view format = nl_langinfo(D_FMT);
    const size_t month = format.find("%m");
    const size_t day = format.find("%d");
    return month != std::string_view::npos && day != std::string_view::npos && month < day;
}

std::string shortTime(const std::tm& parts) {
    return formatTime(parts, usesTwelveHourClock() ? "%-I:%M %p" : "%H:%M");
}

} // namespace

std::string formatDuration(double seconds) {
    const long long n = std::llround(seconds);
    if (n < 60) {
        return std::to_string(n) + "s";
    }
    if (n < 3'600) {
        return std::to_string(n / 60) + "m " + std::to_string(n % 60) + "s";
    }
    return std::to_string(n / 3'600) + "h " + std::to_string((n % 3'600) / 60) + "m";
}

ThroughputText formatThroughput(double bytesPerSecond) {
    const double megabytes = bytesPerSecond / 1'000'000.0;
    if (megabytes >= 100) {
        return {fixed(megabytes, 0), "MB/s"};
    }
    if (megabytes >= 1) {
        return {fixed(megabytes, 1), "MB/s"};
    }
    return {fixed(bytesPerSecond / 1'000.0, 0), "KB/s"};
}

std::string formatRelativeAge(SystemTime date, SystemTime now) {
    const double age = std::chrono::duration<double>(now - date).count();
    if (age < 60) {
        return "just now";
    }
    if (age < 3'600) {
        return std::to_string(static_cast<long long>(age / 60)) + " min ago";
    }
    if (age < 86'400) {
        const long long hours = static_cast<long long>(age / 3'600);
        return std::to_string(hours) + (hours == 1 ? " hour ago" : " hours ago");
    }
    const long long days = static_cast<long long>(age / 86'400);
    return std::to_string(days) + (days == 1 ? " day ago" : " days ago");
}

std::string formatLogTimestamp(SystemTime date, SystemTime now) {
    const std::tm when = localTime(date);
    const std::tm today = localTime(now);
    if (sameDay(when, today)) {
        return "Today " + shortTime(when);
    }
    // The calendar day before today, found by letting mktime normalise day 0 of the month.
    std::tm previous = today;
    previous.tm_mday -= 1;
    previous.tm_hour = 12;
    previous.tm_isdst = -1;
    std::mktime(&previous);
    if (sameDay(when, previous)) {
        return "Yesterday " + shortTime(when);
    }
    const std::string day = formatTime(when, monthBeforeDay() ? "%a, %b %-d, " : "%a %-d %b, ");
    return day + shortTime(when);
}

} // namespace keldra
