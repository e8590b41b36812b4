#include "core/settings/LocalCalendar.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <limits>
#include <tuple>

namespace keldra {
namespace {

using LocalTuple = std::tuple<int, int, int, int, int, int>;

std::optional<LocalTuple> localTuple(std::time_t t) {
    std::tm parts{};
    if (localtime_r(&t, &parts) == nullptr) {
        return std::nullopt;
    }
    return LocalTuple{parts.tm_year, parts.tm_mon, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::optional<std::time_t> makeLocal(int year, int month, int day, int hour, int minute, int isDst) {
    std::tm parts{};
    parts.tm_year = year;
    parts.tm_mon = month;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = isDst;
    std::time_t t = std::mktime(&parts);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return t;
}

// The instant of a local date and time: its first occurrence when the clocks went back, the first
// moment after the gap when they went forward over it.
std::optional<std::time_t> resolveLocal(int year, int month, int day, int hour, int minute) {
    const LocalTuple wanted{year, month, day, hour, minute, 0};
    std::optional<std::time_t> exact;
    std::time_t low = std::numeric_limits<std::time_t>::max();
    std::time_t high = std::numeric_limits<std::time_t>::min();
    bool anyGuess = false;
    for (int isDst : {-1, 0, 1}) {
        auto guess = makeLocal(year, month, day, hour, minute, isDst);
        if (!guess) {
            continue;
        }
        anyGuess = true;
        low = std::min(low, *guess);
        high = std::max(high, *guess);
        if (localTuple(*guess) == wanted && (!exact || *guess < exact)) {
            exact = guess;
        }
    }
    if (exact || !anyGuess) {
        return exact;
    }
    // Skipped time: the guesses straddle the gap; find the first instant whose local time is later.
    auto highTuple = localTuple(high);
    if (!highTuple || *highTuple < wanted) {
        return std::nullopt;
    }
    while (low < high) {
        std::time_t middle = low + (high - low) / 2;
        auto middleTuple = localTuple(middle);
        if (!middleTuple) {
            return std::nullopt;
        }
        if (*middleTuple >= wanted) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return high;
}

} // namespace

std::optional<SystemTime> nextLocalTimeMatching(SystemTime after, int hour, int minute,
                                                std::optional<int> weekday) {
    using namespace std::chrono;
    const auto afterSeconds = floor<seconds>(after).time_since_epoch().count();
    if (afterSeconds < std::numeric_limits<std::time_t>::min() / 2 ||
        afterSeconds > std::numeric_limits<std::time_t>::max() / 2) {
        return std::nullopt;
    }
    std::tm base{};
    const auto baseTime = static_cast<std::time_t>(afterSeconds);
    if (localtime_r(&baseTime, &base) == nullptr) {
        return std::nullopt;
    }
    // Two weeks cover a weekly match even across a calendar day that a time zone skipped.
    for (int offset = 0; offset <= 15; ++offset) {
        // Noon normalises the date without landing in a clock change.
        std::tm day{};
        day.tm_year = base.tm_year;
        day.tm_mon = base.tm_mon;
        day.tm_mday = base.tm_mday + offset;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        if (std::mktime(&day) == static_cast<std::time_t>(-1)) {
            continue;
        }
        if (weekday && day.tm_wday != *weekday - 1) {
            continue;
        }
        auto candidate = resolveLocal(day.tm_year, day.tm_mon, day.tm_mday, hour, minute);
        if (!candidate) {
            continue;
        }
        if (*candidate > floor<seconds>(SystemTime::max()).time_since_epoch().count()) {
            return std::nullopt;
        }
        auto time = SystemTime(duration_cast<SystemTime::duration>(seconds(*candidate)));
        if (time > after) {
            return time;
        }
    }
    return std::nullopt;
}

SystemTime addSecondsSaturating(SystemTime t, std::int64_t seconds) {
    using Rep = SystemTime::duration::rep;
    constexpr Rep perSecond = SystemTime::duration::period::den / SystemTime::duration::period::num;
    Rep delta = 0;
    Rep sum = 0;
    if (__builtin_mul_overflow(static_cast<Rep>(seconds), perSecond, &delta) ||
        __builtin_add_overflow(t.time_since_epoch().count(), delta, &sum)) {
        return seconds > 0 ? SystemTime::max() : SystemTime::min();
    }
    return SystemTime(SystemTime::duration(sum));
}

} // namespace keldra
