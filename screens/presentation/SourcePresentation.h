#pragma once
// What the source rows, the sidebar, the signal overview and the drive rows say about one backup source or
// drive. Qt-free in its interface.

#include "app/model/ModelValues.h"
#include "core/seams/Clock.h"
#include "core/settings/BackupSource.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// The last component of the source's path ("Documents", "notes.txt").
std::string sourceName(const BackupSource& source);

// "icon-file" for a file, "icon-drive" on a removable volume, else "icon-folder".
std::string sourceIconName(const BackupSource& source);

// By the source's availability problem: none or available gives "~/Documents · 1,234 files"; missing
// "Not found · backups kept"; no permission "Access blocked by your system"; an unplugged drive
// "<volume> not connected · backups kept".
std::string sourceStatusLine(const BackupSource& source,
                             const std::optional<BackupSource::Availability>& availability,
                             std::int64_t fileCount);

// A drive row's second line: its problem (warning) when it has one, else "Last copy <time>" with the time
// lower-cased, or "Not copied yet", then " · not connected" when the drive is not connected.
struct DriveLine {
    std::string text;
    bool warning = false;
    friend bool operator==(const DriveLine&, const DriveLine&) = default;
};
DriveLine driveSecondLine(const DriveState& state, SystemTime now);

} // namespace keldra
