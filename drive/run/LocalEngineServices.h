#pragma once

#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/scan/ScanFileSystem.h"
#include "core/seams/Clock.h"
#include "core/settings/SourceProbe.h"
#include "drive/destination/VolumeProvider.h"
#include "drive/run/DriveFileSystem.h"

namespace keldra {

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
};

} // namespace keldra
