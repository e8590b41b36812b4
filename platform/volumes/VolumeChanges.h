#pragma once

#include "drive/destination/VolumeProvider.h"

#include <vector>

namespace keldra {

// What changed between two readings of the mounted volumes.
struct VolumeChanges {
    // Volumes in the new reading that the old one did not have, in the new reading's order.
    std::vector<MountedVolume> mounted;
    // Volumes of the old reading that are gone, in the old reading's order.
    std::vector<MountedVolume> unmounted;

    bool empty() const { return mounted.empty() && unmounted.empty(); }
    friend bool operator==(const VolumeChanges&, const VolumeChanges&) = default;
};

// A volume counts as the same only when everything about it is: another drive mounted on the same place
// shows as one unmounted and one mounted.
VolumeChanges diffVolumes(const std::vector<MountedVolume>& before, const std::vector<MountedVolume>& after);

} // namespace keldra
