#pragma once
// The terse upper-case state chip of the signal top bar and the signal popover. Qt-free but for the clock
// time, which follows the platform's short time format.

#include "app/model/BackupHealth.h"
#include "app/model/ThemeValues.h"
#include "core/events/RunProgress.h"
#include "core/seams/Clock.h"

#include <optional>
#include <string>

namespace keldra {

// The health's short status without its closing full stop, upper-cased: PROTECTED, BACKING UP, NO PLAN.
std::string chipLabel(const BackupHealth& health);

// secure when protected; warning while backing up, paused, needing attention, locked or offline; danger
// for at risk, storage full and every other block.
StatusTone chipTone(const BackupHealth& health);

// The top bar's chip: the label, then while running " · " and the percent done, else when protected with a
// last success " · " and its time of day.
std::string chipText(const BackupHealth& health, bool isRunning, const RunProgress& progress,
                     const std::optional<SystemTime>& lastSuccess);

} // namespace keldra
