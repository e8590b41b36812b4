#include "drive/destination/LocalDestination.h"

#include "core/codec/Uuid.h"
#include "core/settings/BackupSource.h"
#include "drive/format/DriveLayout.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra {

namespace fs = std::filesystem;

namespace {

// The folder inside the volume, relative to its mount path; none when the folder is not inside it.
std::optional<std::string> relativeToVolume(const fs::path& folder, const fs::path& volume) {
    const std::string folderText = folder.string();
    const std::string volumeText = volume.string();
    std::string rest;
    if (folderText == volumeText) {
        rest.clear();
    } else if (volumeText == "/") {
        rest = folderText;
    } else if (folderText.size() > volumeText.size() &&
               folderText.compare(0, volumeText.size(), volumeText) == 0 &&
               folderText[volumeText.size()] == '/') {
        rest = folderText.substr(volumeText.size());
    } else {
        return std::nullopt;
    }
    const auto start = rest.find_first_not_of('/');
    return start == std::string::npos ? std::string() : rest.substr(start);
}

fs::path resolvedOrStandardized(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    return error ? standardizedPath(path) : resolved;
}

} // namespace

std::optional<LocalDestination>
LocalDestination::fromFolder(const fs::path& folder, const VolumeProvider& volumes, const Clock& clock) {
    // Resolved paths on both sides: a folder reached through a symbolic link must be placed on the volume
    // that really holds it, never guessed as that volume's top folder.
    std::error_code error;
    const fs::path resolved = fs::canonical(folder, error);
    if (error) {
        return std::nullopt;
    }
    const std::optional<MountedVolume> volume = volumes.volumeFor(resolved);
    if (!volume) {
        return std::nullopt;
    }
    const fs::path volumePath = resolvedOrStandardized(volume->mountPath);

    fs::path picked = resolved;
    // Picking an existing backup root means the folder that holds it.
    if (picked.filename() == LocalFormat::backupFolderName && picked != volumePath) {
        picked = picked.parent_path();
    }
    const std::optional<std::string> relative = relativeToVolume(picked, volumePath);
    if (!relative) {
        return std::nullopt;
    }

    LocalDestination destination;
    destination.id = makeUuid();
    if (volume->name && !volume->name->empty()) {
        destination.name = *volume->name;
    } else {
        const std::string last = volumePath.filename().string();
        destination.name = last.empty() ? volumePath.string() : last;
    }
    destination.volumeUUID = volume->uuid;
    destination.volumePathAtAdd = volumePath.string();
    destination.folderInVolume = *relative;
    destination.enabled = true;
    destination.addedAt = clock.now();
    destination.isBootVolume = volume->isRoot;
    return destination;
}

std::optional<fs::path> LocalDestination::mountedVolumeURL(const VolumeProvider& volumes) const {
    const std::vector<MountedVolume> mounted = volumes.mountedVolumes();
    if (volumeUUID) {
        for (const MountedVolume& volume : mounted) {
            if (volume.uuid && *volume.uuid == *volumeUUID) {
                return volume.mountPath;
            }
        }
        return std::nullopt;
    }
    const fs::path wanted = standardizedPath(volumePathAtAdd);
    for (const MountedVolume& volume : mounted) {
        if (standardizedPath(volume.mountPath) == wanted) {
            return volume.mountPath;
        }
    }
    return std::nullopt;
}

bool LocalDestination::isConnected(const VolumeProvider& volumes) const {
    return mountedVolumeURL(volumes).has_value();
}

std::optional<std::string> LocalDestination::backupFolderPath(const VolumeProvider& volumes) const {
    const std::optional<fs::path> mount = mountedVolumeURL(volumes);
    if (!mount) {
        return std::nullopt;
    }
    fs::path root = *mount;
    if (!folderInVolume.empty()) {
        root /= folderInVolume;
    }
    return (root / LocalFormat::backupFolderName).string();
}

LocalDestination::Availability LocalDestination::availability(const VolumeProvider& volumes) const {
    const std::optional<fs::path> mount = mountedVolumeURL(volumes);
    if (!mount) {
        return Availability::notConnected();
    }
    const fs::path chosen = folderInVolume.empty() ? *mount : *mount / folderInVolume;
    std::error_code error;
    if (!fs::is_directory(chosen, error)) {
        return Availability::folderMissing();
    }
    const fs::path root = chosen / LocalFormat::backupFolderName;
    struct stat status {};
    if (::lstat(root.c_str(), &status) != 0) {
        // Only the backup root itself is made: a missing chosen folder was caught above.
        if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) {
            return Availability::notWritable();
        }
    }
    if (!fs::is_directory(root, error) || ::access(root.c_str(), W_OK) != 0) {
        return Availability::notWritable();
    }
    return Availability::connected(root);
}

std::optional<std::int64_t> LocalDestination::availableCapacity(const fs::path& path,
                                                                const VolumeProvider& volumes) {
    return volumes.availableCapacity(path);
}

} // namespace keldra
