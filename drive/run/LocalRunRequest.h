#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/index/IndexRows.h"
#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"
#include "drive/destination/LocalDestination.h"
#include "drive/run/LocalOutcome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// Everything one drive run needs, built by the app model. A copy: later edits never reach a running engine.
struct LocalRunRequest {
    KeldraKey key;
    BackupSettings settings;
    // Scanned in this order.
    std::vector<BackupSource> sources;
    LocalDestination destination;
    // Names this computer's folder below "devices" on the drive, and what its "device.json" calls it.
    std::string deviceID;
    std::string deviceName;
    // Stored in the runs row ("Manual", "Scheduled" ...).
    std::string trigger;
    // The user reviewed a paused run: both guards are off for this run.
    bool overrideMassChangeGuard = false;
    // Absolute folders the scan does not enter.
    std::vector<std::string> skipRoots;
};

// How a drive run went, handed back to the app model.
struct LocalRunResult {
    std::string destinationID;
    // The finished runs row; absent only when the run never started (drive absent or unusable).
    std::optional<RunRecord> record;
    LocalOutcome outcome = LocalOutcome::completed();
    // Free space on the drive when the run ended; absent when unknown or the run never started.
    std::optional<std::int64_t> freeBytes;
    // At least one copy failed because the drive was full.
    bool driveFull = false;
};

} // namespace keldra
