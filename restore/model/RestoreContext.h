#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/Clock.h"
#include "drive/destination/LocalDestination.h"
#include "drive/destination/VolumeProvider.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

class KeldraAPI;
class RestoreEngine;

// What the restore model reads of the application when it loads, restores or deletes: taken as a copy
// at the start of each operation, so a later change (a lock, a sign-out) does not reach a running one.
// The portal client and the restore engine are shared with the jobs that use them.
struct RestoreContext {
    // The account key; none while locked.
    std::optional<KeldraKey> key;
    std::shared_ptr<KeldraAPI> api;
    std::shared_ptr<RestoreEngine> engine;
    // The account's drive destinations, enabled or not.
    std::vector<LocalDestination> destinations;
    // This computer's own device folder in the Keldra, when set up.
    std::optional<std::string> deviceFolderID;
    // Services of the application, which outlive every job.
    const VolumeProvider* volumes = nullptr;
    const Clock* clock = nullptr;
};

} // namespace keldra
