#pragma once

#include "core/seams/CancelToken.h"
#include "drive/destination/LocalDestination.h"
#include "drive/destination/VolumeProvider.h"
#include "restore/model/RestoreSource.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

class KeldraAPI;

// The places a restore can read from, as one load finds them.
struct GatheredSources {
    // The Keldra's device folders (in the portal's order), then each connected drive's devices.
    std::vector<RestoreSourceOption> options;
    // Why the Keldra's device folders could not be listed, when they could not.
    std::optional<std::string> keldraError;
    // The backup root of every connected drive, by destination id.
    std::map<std::string, std::filesystem::path> driveRoots;
};

// The device folders below the root folder "Backups" (exact name, no parent, the first such); drive
// destinations, enabled or not, whose backup folder exists add their devices. Without a client or a
// volume table that half is left out. Reads only: browsing a
// drive creates nothing on it, so a read-only drive is offered too. Blocking (portal and disk): call it
// off the GUI thread.
GatheredSources gatherRestoreSources(KeldraAPI* api, const std::vector<LocalDestination>& destinations,
                                     const VolumeProvider* volumes, const CancelToken& cancel = {});

// A drive's backup folder when its volume is mounted and the folder exists.
std::optional<std::filesystem::path> existingBackupRoot(const LocalDestination& destination,
                                                        const VolumeProvider& volumes);

} // namespace keldra
