#include "platform/volumes/VolumeChanges.h"

#include <algorithm>

namespace keldra {

VolumeChanges diffVolumes(const std::vector<MountedVolume>& before, const std::vector<MountedVolume>& after) {
    const auto absentFrom = [](const std::vector<MountedVolume>& reading) {
        return [&reading](const MountedVolume& volume) {
            return std::find(reading.begin(), reading.end(), volume) == reading.end();
        };
    };
    VolumeChanges changes;
    std::copy_if(after.begin(), after.end(), std::back_inserter(changes.mounted), absentFrom(before));
    std::copy_if(before.begin(), before.end(), std::back_inserter(changes.unmounted), absentFrom(after));
    return changes;
}

} // namespace keldra
