#pragma once

#include "core/seams/Clock.h"
#include "core/seams/KeyValueStore.h"
#include "core/settings/SourceProbe.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// One chosen folder, file or drive, stored under "sources." + the account scope key.
struct BackupSource {
    // Whether a source can be read now.
    struct Availability {
        enum class Kind { driveDisconnected, available, missing, noPermission };
        Kind kind = Kind::available;
        std::string volumeName; // only for driveDisconnected

        static Availability driveDisconnected(std::string name) {
            return {Kind::driveDisconnected, std::move(name)};
        }
        static Availability available() { return {Kind::available, {}}; }
        static Availability missing() { return {Kind::missing, {}}; }
        static Availability noPermission() { return {Kind::noPermission, {}}; }
        friend bool operator==(const Availability&, const Availability&) = default;
    };

    std::string id;   // a new UUID when the source is created
    std::string path; // absolute, standardized (never the "~" form)
    bool isFile = false;
    SystemTime addedAt{};

    friend bool operator==(const BackupSource&, const BackupSource&) = default;

    nlohmann::json toJson() const;
    static std::optional<BackupSource> fromJson(const nlohmann::json& json);

    // The stored list, or an empty one when there is none or it does not decode.
    static std::vector<BackupSource> loadAll(const KeyValueStore& store, const std::string& scopeKey);
    static void saveAll(KeyValueStore& store, const std::string& scopeKey,
                        const std::vector<BackupSource>& sources);

    // The root of the removable volume the source lies on ("/media/<user>/<name>",
    // "/run/media/<user>/<name>" or "/mnt/<name>"), or none.
    static std::optional<std::filesystem::path> volumeRoot(const BackupSource& source);
    static Availability availability(const BackupSource& source, const SourceProbe& probe);
    static Availability availability(const BackupSource& source); // the real file system

    // Keldra path forms: "~" for the home folder ($HOME), "~/rest" below it, the absolute path elsewhere.
    static std::string abbreviatePath(const std::filesystem::path& path);
    static std::filesystem::path expandPath(std::string_view path);
    // "~/a/b" -> ~, a, b; "/a//b/" -> a, b.
    static std::vector<std::string> pathComponents(std::string_view path);
};

// Lexically standardized absolute path: "." and ".." resolved, no trailing slash (except "/").
std::filesystem::path standardizedPath(const std::filesystem::path& path);

} // namespace keldra
