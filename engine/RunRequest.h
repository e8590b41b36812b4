#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/events/RunOutcome.h"
#include "core/index/IndexRows.h"
#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"
#include "service/types/FlexID.h"
#include "service/types/KeldraStatus.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// Everything one cloud run needs, built by the app model. A copy: later edits never reach a running engine.
struct RunRequest {
    KeldraKey key;
    BackupSettings settings;
    // Scanned in this order.
    std::vector<BackupSource> sources;
    // The portal folder that holds this computer's backups, and the one that holds the device folders.
    FlexID deviceFolderID;
    std::optional<FlexID> backupsFolderID;
    // Stored in the runs row ("Manual", "Scheduled", "Manual (reviewed)" ...).
    std::string trigger;
    // Skip the mass-change guard or the Keldra-mismatch guard for this run (the user reviewed it).
    bool overrideMassChangeGuard = false;
    bool overrideKeldraMismatch = false;
    // The portal is already known to keep sealed names intact.
    bool sealedNamesVerified = false;
    // Folders the scanner must not enter (absolute paths).
    std::vector<std::string> skipRoots;
};

// How a cloud run ended, handed back to the app model.
struct RunResult {
    RunRecord record;
    RunOutcome outcome = RunOutcome::completed();
    // The portal status as last fetched during the run; absent when the run ended before the first fetch.
    std::optional<KeldraStatus> status;
    // Every source skipped in this run, and why.
    std::map<std::string, BackupSource::Availability> unavailableSources;
    // The request's value, or true once the sealed-name check passed in this run.
    bool sealedNamesVerified = false;
};

} // namespace keldra
