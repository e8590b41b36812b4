#pragma once
// What the Backups page writes about its destinations: a drive row's status line and figures and the
// off-site row's lines. Plain functions, tested case by case.

#include "app/model/ModelValues.h"
#include "drive/destination/LocalDestination.h"
#include "service/types/KeldraStatus.h"

#include <QString>
#include <optional>

namespace keldra {

// The problem alone when there is one; else the location ("Travel › Backups › Ada"), "same disk as this
// computer", the last copy and "paused", joined with " · ".
QString driveStatusLine(const LocalDestination& destination, const DriveState& state, SystemTime now);
// "1,234 files · 5.6 GB".
QString driveFiguresText(const DriveState& state);
// "120 GB free", none without a known free space.
std::optional<QString> driveFreeText(const DriveState& state);

// "1.5 GB of 10 GB" when the storage status has a quota.
std::optional<QString> offsiteUsageText(const std::optional<KeldraStatus>& status);
// "Last today 3:07 pm", or "Not backed up yet".
QString offsiteLastText(const std::optional<SystemTime>& lastSuccess, SystemTime now);

} // namespace keldra
