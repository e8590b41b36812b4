#pragma once

#include "drive/destination/VolumeProvider.h"
#include "platform/volumes/MountInfo.h"

#include <filesystem>

namespace keldra {

// The mounted volumes from /proc/self/mountinfo, their UUIDs and labels from the /dev/disk/by-uuid and
// by-label links, free space from statvfs. The mount point "/" is the computer's own root file system.
// Kernel and system file systems (proc, sysfs, cgroups, /run ...) are not offered as volumes.
class LinuxVolumeProvider final : public VolumeProvider {
public:
    explicit LinuxVolumeProvider(std::filesystem::path mountInfo = "/proc/self/mountinfo",
                                 std::filesystem::path diskLinks = "/dev/disk");

    std::vector<MountedVolume> mountedVolumes() const override;
    std::optional<MountedVolume> volumeFor(const std::filesystem::path& path) const override;
    std::optional<std::int64_t> availableCapacity(const std::filesystem::path& path) const override;

private:
    std::vector<MountEntry> readMountTable() const;
    MountedVolume describe(const MountEntry& entry) const;

    std::filesystem::path mountInfo_;
    std::filesystem::path diskLinks_;
};

} // namespace keldra
