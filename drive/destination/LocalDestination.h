#pragma once

#include "core/seams/Clock.h"
#include "core/seams/KeyValueStore.h"
#include "drive/destination/VolumeProvider.h"

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// One backup drive: a folder on a volume (an external drive, or any mounted volume including the boot
// volume) that receives drive backups. The volume is looked up afresh every time, by UUID when it has one,
// so a drive is found again under any mount name.
struct LocalDestination {
    // Whether a drive run can use the destination now.
    class Availability {
    public:
        enum class Kind { connected, notConnected, folderMissing, notWritable };

        static Availability connected(std::filesystem::path backupRoot) {
            return Availability(Kind::connected, std::move(backupRoot));
        }
        static Availability notConnected() { return Availability(Kind::notConnected, {}); }
        static Availability folderMissing() { return Availability(Kind::folderMissing, {}); }
        static Availability notWritable() { return Availability(Kind::notWritable, {}); }

        Kind kind() const { return kind_; }
        // The backup root; empty unless connected.
        const std::filesystem::path& backupRoot() const { return backupRoot_; }

        friend bool operator==(const Availability&, const Availability&) = default;

    private:
        Availability(Kind kind, std::filesystem::path root) : kind_(kind), backupRoot_(std::move(root)) {}
        Kind kind_;
        std::filesystem::path backupRoot_;
    };

    std::string id;   // upper-case UUID text, fixed for the destination's life
    std::string name; // the volume's name when the destination was added
    std::optional<std::string> volumeUUID;
    std::string volumePathAtAdd; // the volume's mount path when added
    std::string folderInVolume;  // relative to the mount path, no leading "/"; empty = the volume's top
    bool enabled = true;
    SystemTime addedAt{};
    bool isBootVolume = false;

    friend bool operator==(const LocalDestination&, const LocalDestination&) = default;

    // A new destination for a folder the user picked. Picking an existing "Orlivane Keldra Backup" folder
    // means its parent. None when the folder's volume cannot be found or the folder does not lie inside
    // it once symbolic links are resolved.
    static std::optional<LocalDestination> fromFolder(const std::filesystem::path& folder,
                                                      const VolumeProvider& volumes, const Clock& clock);

    // The mount path of the destination's volume, when it is mounted.
    std::optional<std::filesystem::path> mountedVolumeURL(const VolumeProvider& volumes) const;
    bool isConnected(const VolumeProvider& volumes) const;
    // mount path [/ folderInVolume] / "Orlivane Keldra Backup" while mounted; creates nothing.
    std::optional<std::string> backupFolderPath(const VolumeProvider& volumes) const;
    // Decides whether a run can use the drive; creates the backup root when it is missing.
    Availability availability(const VolumeProvider& volumes) const;
    // Free bytes on the volume holding `path`, or none.
    static std::optional<std::int64_t> availableCapacity(const std::filesystem::path& path,
                                                         const VolumeProvider& volumes);

    nlohmann::json toJson() const;
    // None when a required key is missing or of the wrong type.
    static std::optional<LocalDestination> fromJson(const nlohmann::json& json);

    // The list stored under "destinations." + the account scope key; empty when absent or undecodable.
    static std::vector<LocalDestination> loadAll(const KeyValueStore& store, const std::string& scopeKey);
    static void saveAll(KeyValueStore& store, const std::string& scopeKey,
                        const std::vector<LocalDestination>& destinations);
};

} // namespace keldra
