#include "drive/format/UtcTimestamp.h"

#include <cmath>
#include <cstdint>
#include <date/date.h>
#include <fmt/format.h>

namespace keldra::LocalFormat {
namespace {

constexpr double earliest = -62135596800.0; // 0001-01-01T00:00:00Z
constexpr double latest = 253402300799.0;   // 9999-12-31T23:59:59Z

} // namespace

std::string internetDateTime(double unixSeconds) {
    double whole = std::isnan(unixSeconds) ? 0.0 : std::floor(unixSeconds);
    whole = whole < earliest ? earliest : (whole > latest ? latest : whole);
    const date::sys_seconds time{std::chrono::seconds(static_cast<std::int64_t>(whole))};
    const auto day = date::floor<date::days>(time);
    const date::year_month_day ymd{day};
    const date::hh_mm_ss<std::chrono::seconds> clock{time - day};
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(ymd.year()),
                       static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                       clock.hours().count(), clock.minutes().count(), clock.seconds().count());
}

std::string internetDateTime(SystemTime time) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time).time_since_epoch().count();
    return internetDateTime(static_cast<double>(seconds));
}

} // namespace keldra::LocalFormat
