#pragma once
// The fixed option tables of the settings controls: (label, stored value) in menu or segment order.

#include "app/model/AppPhase.h"
#include "core/settings/BackupSchedule.h"
#include "design/controls/OptionList.h"

#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace keldra::SettingsOptions {

// "Remind me if there's no backup for": notifyStaleDays.
const OptionList<std::int64_t>& staleReminder();
// The Schedule row's kind picker, every kind in case order.
const OptionList<ScheduleKind>& scheduleKinds();
// "Upload speed": bandwidthLimitMBps.
const OptionList<double>& uploadSpeed();
// "Version history": versionRetentionDays.
const OptionList<std::int64_t>& versionHistory();
// "Deleted files": deletedGraceDays; "Keep forever" is no value.
const OptionList<std::optional<std::int64_t>>& deletedFiles();
// "Backup drives": driveReminderDays; "Never" is a stored 0.
const OptionList<std::int64_t>& driveReminder();
// The schedule editor's menus: weekdays 1 (Sunday) to 7 named as the schedule's summary names them, hours
// "00"-"23", minutes "00"-"55" in steps of 5, and the custom intervals.
const OptionList<std::int64_t>& weekdays();
const OptionList<std::int64_t>& hours();
const OptionList<std::int64_t>& minutes();
const OptionList<std::int64_t>& everyHours();
// "Tray popover": popoverStyle.
const OptionList<PopoverStyle>& popoverStyles();

} // namespace keldra::SettingsOptions
