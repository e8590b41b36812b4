#pragma once

#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/scan/ScanFileSystem.h"
#include "core/seams/Clock.h"
#include "core/settings/SourceProbe.h"
#include "drive/destination/VolumeProvider.h"
#include "drive/run/DriveFileSystem.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace keldra {

// When a drive run flushes the copies it has moved into place and records them: whichever limit is
// reached first. Fewer flushes make small files fast; the limits bound what a crash can cost.
struct CopyGroupLimits {
    std::size_t files = 64;
    std::int64_t bytes = 64 * 1024 * 1024;
    std::chrono::milliseconds age{1000};
};

// The long-lived services a drive run works with; all outlive the engine.
struct LocalEngineServices {
    // The account's main index: the runs and run_failures rows of drive runs go here, beside the cloud runs.
    BackupIndex& history;
    ThroughputMeter& meter;
    const Clock& clock;
    const VolumeProvider& volumes;
    const DriveFileSystem& driveFiles;
    // Null: the real file system.
    const SourceProbe* sourceProbe = nullptr;
    const ScanFileSystem* scanFileSystem = nullptr;
    CopyGroupLimits copyGroup = {};
};

} // namespace keldra
