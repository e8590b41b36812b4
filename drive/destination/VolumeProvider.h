#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// One mounted file system as the drive code sees it.
struct MountedVolume {
    // Where it is mounted, symbolic links resolved.
    std::filesystem::path mountPath;
    // The file system's UUID, when it has one.
    std::optional<std::string> uuid;
    // The file system's label, when it has one.
    std::optional<std::string> name;
    // The computer's own root file system.
    bool isRoot = false;

    friend bool operator==(const MountedVolume&, const MountedVolume&) = default;
};

// The mounted volumes and their free space. The real one reads the system's mount table; tests put one in
// its place that plugs and unplugs drives and reports any free space.
class VolumeProvider {
public:
    virtual ~VolumeProvider() = default;
    // Every volume that can hold a backup, in mount order.
    virtual std::vector<MountedVolume> mountedVolumes() const = 0;
    // The mounted volume that holds an existing path (resolved), or none.
    virtual std::optional<MountedVolume> volumeFor(const std::filesystem::path& path) const = 0;
    // Free bytes for new files on the volume that holds the path, or none when it cannot be read.
    virtual std::optional<std::int64_t> availableCapacity(const std::filesystem::path& path) const = 0;
};

} // namespace keldra
