#include "core/settings/BackupSchedule.h"

#include "core/settings/JsonFields.h"
#include "core/settings/LocalCalendar.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <openssl/rand.h>

namespace keldra {
namespace {

constexpr std::array<std::string_view, 5> kindRawValues{"hourly", "daily", "weekly", "custom", "manual"};
constexpr std::int64_t secondsPerHour = 3600;
constexpr std::int64_t spreadMinutesCount = 30;

// A whole number 0..29 from the cryptographic source; bytes at or above 240 (= 8 x 30) are drawn
// again so every value is equally likely. None when the source fails.
std::optional<std::int64_t> drawSpreadMinutes() {
    for (int attempt = 0; attempt < 64; ++attempt) {
        unsigned char byte = 0;
        if (RAND_bytes(&byte, 1) != 1) {
            return std::nullopt;
        }
        if (byte < 240) {
            return byte % spreadMinutesCount;
        }
    }
    return std::nullopt;
}

// The stored spread as a whole number of minutes; anything that is not a number reads as 0.
std::int64_t storedMinutes(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        return value.is_number_unsigned() ? std::numeric_limits<std::int64_t>::max()
                                          : value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        double number = value.get<double>();
        if (std::isfinite(number)) {
            return static_cast<std::int64_t>(std::clamp(std::trunc(number), -1e9, 1e9));
        }
    }
    return 0;
}

} // namespace

std::string_view scheduleKindRawValue(ScheduleKind kind) {
    return kindRawValues.at(static_cast<size_t>(kind));
}

std::optional<ScheduleKind> scheduleKindFromRawValue(std::string_view raw) {
    for (size_t i = 0; i < kindRawValues.size(); ++i) {
        if (kindRawValues[i] == raw) {
            return allScheduleKinds[i];
        }
    }
    return std::nullopt;
}

double BackupSchedule::spreadSeconds(KeyValueStore& defaults) {
    auto stored = defaults.value(scheduleSpreadKey);
    if (!stored || stored->is_null()) {
        auto drawn = drawSpreadMinutes();
        if (!drawn) {
            // Nothing stored, so the next computation draws again.
            return 0;
        }
        defaults.setValue(scheduleSpreadKey, *drawn);
        stored = nlohmann::json(*drawn);
    }
    // Held to the range it is drawn from: a damaged value must not postpone runs by hours.
    std::int64_t minutes = std::clamp<std::int64_t>(storedMinutes(*stored), 0, spreadMinutesCount - 1);
    return static_cast<double>(minutes) * 60.0;
}

std::optional<SystemTime> BackupSchedule::nextRun(const std::optional<SystemTime>& lastRun, SystemTime now,
                                                  KeyValueStore& defaults) const {
    switch (kind) {
    case ScheduleKind::manual:
        return std::nullopt;
    case ScheduleKind::hourly:
        return lastRun ? addSecondsSaturating(*lastRun, secondsPerHour) : now;
    case ScheduleKind::custom: {
        if (!lastRun) {
            return now;
        }
        std::int64_t seconds = 0;
        if (__builtin_mul_overflow(std::max<std::int64_t>(everyHours, 1), secondsPerHour, &seconds)) {
            seconds = std::numeric_limits<std::int64_t>::max();
        }
        return addSecondsSaturating(*lastRun, seconds);
    }
    case ScheduleKind::daily:
    case ScheduleKind::weekly:
        break;
    }
    const bool weekly = kind == ScheduleKind::weekly;
    const SystemTime base = lastRun ? *lastRun : addSecondsSaturating(now, weekly ? -7 * 86400 : -86400);
    // Out-of-range stored values are held to the nearest valid one; unmatched they would make every
    // check find the schedule due.
    const int matchHour = static_cast<int>(std::clamp<std::int64_t>(hour, 0, 23));
    const int matchMinute = static_cast<int>(std::clamp<std::int64_t>(minute, 0, 59));
    const std::optional<int> matchWeekday =
        weekly ? std::optional<int>(static_cast<int>(std::clamp<std::int64_t>(weekday, 1, 7))) : std::nullopt;
    const SystemTime candidate =
        nextLocalTimeMatching(base, matchHour, matchMinute, matchWeekday).value_or(now);
    const SystemTime result =
        addSecondsSaturating(candidate, static_cast<std::int64_t>(std::llround(spreadSeconds(defaults))));
    if (lastRun) {
        return result;
    }
    return std::min(result, now);
}

std::string BackupSchedule::summary() const {
    const std::string time = fmt::format("{:02d}:{:02d}", hour, minute);
    switch (kind) {
    case ScheduleKind::hourly:
        return "Every hour";
    case ScheduleKind::daily:
        return "Every day around " + time;
    case ScheduleKind::weekly: {
        auto index = static_cast<size_t>(std::clamp<std::int64_t>(weekday - 1, 0, 6));
        return fmt::format("Every {} around {}", weekdayNames[index], time);
    }
    case ScheduleKind::custom:
        return fmt::format("Every {} hours", everyHours);
    case ScheduleKind::manual:
        return "Only when you click Back up now";
    }
    return {};
}

nlohmann::json BackupSchedule::toJson() const {
    return nlohmann::json{{"kind", std::string(scheduleKindRawValue(kind))},
                          {"hour", hour},
                          {"minute", minute},
                          {"weekday", weekday},
                          {"everyHours", everyHours}};
}

std::optional<BackupSchedule> BackupSchedule::fromJson(const nlohmann::json& json) {
    BackupSchedule schedule;
    jsonfield::ObjectReader reader(json);
    reader.required("kind", schedule.kind, [](const nlohmann::json& value) -> std::optional<ScheduleKind> {
        auto raw = jsonfield::readString(value);
        return raw ? scheduleKindFromRawValue(*raw) : std::nullopt;
    });
    reader.required("hour", schedule.hour, jsonfield::readInt);
    reader.required("minute", schedule.minute, jsonfield::readInt);
    reader.required("weekday", schedule.weekday, jsonfield::readInt);
    reader.required("everyHours", schedule.everyHours, jsonfield::readInt);
    if (!reader.ok()) {
        return std::nullopt;
    }
    return schedule;
}

} // namespace keldra
