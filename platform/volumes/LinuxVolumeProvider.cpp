#include "platform/volumes/LinuxVolumeProvider.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <system_error>

namespace keldra {

namespace fs = std::filesystem;

namespace {

bool isSameOrBelow(const std::string& path, const std::string& folder) {
    if (folder == "/") {
        return !path.empty() && path.front() == '/';
    }
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

// The name of the link in `folder` (by-uuid or by-label) that leads to the mounted device.
std::optional<std::string> linkNameFor(const fs::path& folder, const MountEntry& entry) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        return std::nullopt;
    }
    const dev_t device = makedev(entry.major, entry.minor);
    std::error_code sourceError;
    const fs::path source = entry.source.empty() || entry.source.front() != '/'
                                ? fs::path()
                                : fs::canonical(entry.source, sourceError);
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        struct stat target {};
        if (::stat(it->path().c_str(), &target) == 0 && S_ISBLK(target.st_mode) && target.st_rdev == device) {
            return it->path().filename().string();
        }
        // Subvolumes (btrfs) report an anonymous device number: compare the device paths instead.
        if (!source.empty() && !sourceError) {
            std::error_code linkError;
            const fs::path resolved = fs::canonical(it->path(), linkError);
            if (!linkError && resolved == source) {
                return it->path().filename().string();
            }
        }
        if (error) {
            break;
        }
    }
    return std::nullopt;
}

} // namespace

LinuxVolumeProvider::LinuxVolumeProvider(fs::path mountInfo, fs::path diskLinks)
    : mountInfo_(std::move(mountInfo)), diskLinks_(std::move(diskLinks)) {}

std::vector<MountEntry> LinuxVolumeProvider::readMountTable() const {
    std::ifstream in(mountInfo_);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseMountInfo(text.str());
}

MountedVolume LinuxVolumeProvider::describe(const MountEntry& entry) const {
    MountedVolume volume;
    volume.mountPath = entry.mountPoint;
    volume.isRoot = entry.mountPoint == "/";
    volume.uuid = linkNameFor(diskLinks_ / "by-uuid", entry);
    if (auto label = linkNameFor(diskLinks_ / "by-label", entry)) {
        volume.name = unescapeUdevName(*label);
    }
    return volume;
}

std::vector<MountedVolume> LinuxVolumeProvider::mountedVolumes() const {
    const std::vector<MountEntry> table = readMountTable();
    std::vector<MountedVolume> volumes;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const MountEntry& entry = table[i];
        if (isSystemMount(entry)) {
            continue;
        }
        // A later mount on the same point hides the earlier one.
        bool hidden = false;
        for (std::size_t later = i + 1; later < table.size(); ++later) {
            if (table[later].mountPoint == entry.mountPoint) {
                hidden = true;
                break;
            }
        }
        if (!hidden) {
            volumes.push_back(describe(entry));
        }
    }
    return volumes;
}

std::optional<MountedVolume> LinuxVolumeProvider::volumeFor(const fs::path& path) const {
    std::error_code error;
    const std::string resolved = fs::canonical(path, error).string();
    if (error) {
        return std::nullopt;
    }
    // The deepest mount point above the path holds it; among equals the last mounted.
    const std::vector<MountEntry> table = readMountTable();
    const MountEntry* holder = nullptr;
    for (const MountEntry& entry : table) {
        if (isSameOrBelow(resolved, entry.mountPoint) &&
            (!holder || entry.mountPoint.size() >= holder->mountPoint.size())) {
            holder = &entry;
        }
    }
    if (!holder || isSystemMount(*holder)) {
        return std::nullopt;
    }
    return describe(*holder);
}

std::optional<std::int64_t> LinuxVolumeProvider::availableCapacity(const fs::path& path) const {
    struct statvfs status {};
    if (::statvfs(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    // Blocks free for ordinary users: the space a new backup can really use.
    const auto bytes = static_cast<unsigned long long>(status.f_bavail) * status.f_frsize;
    constexpr auto limit = static_cast<unsigned long long>(INT64_MAX);
    return static_cast<std::int64_t>(bytes > limit ? limit : bytes);
}

} // namespace keldra
