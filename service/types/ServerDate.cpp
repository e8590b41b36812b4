#include "service/types/ServerDate.h"

#include <date/date.h>

namespace keldra {

namespace {

using namespace std::chrono;

// A cursor over the text that reads fixed-width digit fields; every reader fails on anything else.
struct Reader {
    std::string_view text;
    size_t pos = 0;

    bool digits(int count, int& out) {
        if (pos + static_cast<size_t>(count) > text.size()) {
            return false;
        }
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const char c = text[pos + static_cast<size_t>(i)];
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
        }
        pos += static_cast<size_t>(count);
        out = value;
        return true;
    }
    bool literal(char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    bool atEnd() const { return pos == text.size(); }
};

// "yyyy-MM-dd", then `separator`, then "HH:mm:ss"; the calendar fields must name a real time.
std::optional<sys_seconds> readDateTime(Reader& r, char separator) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!(r.digits(4, year) && r.literal('-') && r.digits(2, month) && r.literal('-') && r.digits(2, day) &&
          r.literal(separator) && r.digits(2, hour) && r.literal(':') && r.digits(2, minute) &&
          r.literal(':') && r.digits(2, second))) {
        return std::nullopt;
    }
    const date::year_month_day ymd{date::year{year}, date::month{static_cast<unsigned>(month)},
                                   date::day{static_cast<unsigned>(day)}};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    return date::sys_days{ymd} + hours{hour} + minutes{minute} + seconds{second};
}

// The time, when the clock can hold it: its nanosecond ticks reach only from 1677 to 2262, and a date
// outside them would overflow. Such a date is as unreadable as a malformed one.
std::optional<SystemTime> onClock(sys_seconds whole, nanoseconds fraction) {
    constexpr auto earliest = ceil<seconds>(SystemTime::min().time_since_epoch()) + seconds{1};
    constexpr auto latest = floor<seconds>(SystemTime::max().time_since_epoch()) - seconds{1};
    if (whole.time_since_epoch() < earliest || whole.time_since_epoch() > latest) {
        return std::nullopt;
    }
    return time_point_cast<SystemTime::duration>(whole) + duration_cast<SystemTime::duration>(fraction);
}

// "Z" or "±hh:mm", as the offset to subtract from the local reading.
std::optional<minutes> readZone(Reader& r) {
    if (r.literal('Z')) {
        return minutes{0};
    }
    int sign = 0;
    if (r.literal('+')) {
        sign = 1;
    } else if (r.literal('-')) {
        sign = -1;
    } else {
        return std::nullopt;
    }
    int h = 0, m = 0;
    if (!(r.digits(2, h) && r.literal(':') && r.digits(2, m)) || h > 23 || m > 59) {
        return std::nullopt;
    }
    return minutes{sign * (h * 60 + m)};
}

std::optional<SystemTime> internetDateTime(std::string_view text, bool fractional) {
    Reader r{text};
    auto local = readDateTime(r, 'T');
    if (!local) {
        return std::nullopt;
    }
    nanoseconds fraction{0};
    if (fractional) {
        if (!r.literal('.')) {
            return std::nullopt;
        }
        const size_t start = r.pos;
        std::int64_t scaled = 0;
        int used = 0;
        while (r.pos < text.size() && text[r.pos] >= '0' && text[r.pos] <= '9') {
            if (used < 9) {
                scaled = scaled * 10 + (text[r.pos] - '0');
                ++used;
            }
            ++r.pos;
        }
        if (r.pos == start) {
            return std::nullopt;
        }
        for (; used < 9; ++used) {
            scaled *= 10;
        }
        fraction = nanoseconds{scaled};
    }
    const auto zone = readZone(r);
    if (!zone || !r.atEnd()) {
        return std::nullopt;
    }
    return onClock(*local - *zone, fraction);
}

std::optional<SystemTime> plainUtc(std::string_view text) {
    Reader r{text};
    auto time = readDateTime(r, ' ');
    if (!time || !r.atEnd()) {
        return std::nullopt;
    }
    return onClock(*time, nanoseconds{0});
}

} // namespace

std::optional<SystemTime> parseServerDate(const std::optional<std::string>& text) {
    if (!text || text->empty()) {
        return std::nullopt;
    }
    if (auto t = internetDateTime(*text, true)) {
        return t;
    }
    if (auto t = internetDateTime(*text, false)) {
        return t;
    }
    return plainUtc(*text);
}

std::string formatInternetDateTime(SystemTime time) {
    return date::format("%Y-%m-%dT%H:%M:%SZ", floor<seconds>(time));
}

double serverSecondsOr(const std::optional<std::string>& text, double fallback) {
    if (const auto parsed = parseServerDate(text)) {
        return toUnixSeconds(*parsed);
    }
    return fallback;
}

} // namespace keldra
