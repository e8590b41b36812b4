#pragma once

#include "core/seams/Clock.h"
#include "core/seams/KeyValueStore.h"

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

enum class ScheduleKind { hourly, daily, weekly, custom, manual };

inline constexpr std::array<ScheduleKind, 5> allScheduleKinds{ScheduleKind::hourly, ScheduleKind::daily,
                                                              ScheduleKind::weekly, ScheduleKind::custom,
                                                              ScheduleKind::manual};

std::string_view scheduleKindRawValue(ScheduleKind kind);
// None for an unknown text.
std::optional<ScheduleKind> scheduleKindFromRawValue(std::string_view raw);

// The day names of `BackupSchedule::weekday`, 1 (Sunday) to 7 (Saturday): the summary and the weekday menu
// both use them.
inline constexpr std::array<std::string_view, 7> weekdayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                              "Thursday", "Friday", "Saturday"};

// The installation's schedule spread lives under this user-defaults key (minutes, 0 to 29).
inline constexpr const char* scheduleSpreadKey = "scheduleSpreadMinutes";

// When automatic runs happen. Daily and weekly times are in local time (the TZ of the process).
struct BackupSchedule {
    ScheduleKind kind = ScheduleKind::daily;
    std::int64_t hour = 12;      // 0-23 (daily, weekly)
    std::int64_t minute = 30;    // 0-59 (daily, weekly)
    std::int64_t weekday = 2;    // 1 = Sunday ... 7 = Saturday (weekly)
    std::int64_t everyHours = 4; // custom

    friend bool operator==(const BackupSchedule&, const BackupSchedule&) = default;

    // The next due time after the last successful run, or none for manual. A time not later than now
    // is due. Daily and weekly times include the installation's spread (drawn on first use).
    std::optional<SystemTime> nextRun(const std::optional<SystemTime>& lastRun, SystemTime now,
                                      KeyValueStore& defaults) const;

    // "Every hour", "Every day around 12:30", "Every Monday around 09:00", "Every 4 hours", ...
    std::string summary() const;

    // The installation's spread in seconds: drawn once from a cryptographic source and kept under
    // "scheduleSpreadMinutes", shared by every account.
    static double spreadSeconds(KeyValueStore& defaults);

    nlohmann::json toJson() const;
    // None when a key is missing or null, a value has the wrong type, or the kind is unknown.
    static std::optional<BackupSchedule> fromJson(const nlohmann::json& json);
};

} // namespace keldra
