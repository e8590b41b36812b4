#pragma once

#include <filesystem>
#include <optional>
#include <utility>

namespace keldra {

// Where restored files go: back to their stored paths on this computer, or below a chosen folder at
// their relative paths.
class RestoreDestination {
public:
    static RestoreDestination original() { return RestoreDestination(std::nullopt); }
    static RestoreDestination folder(std::filesystem::path base) {
        return RestoreDestination(std::move(base));
    }

    bool isOriginal() const { return !folder_.has_value(); }
    // The chosen folder; none for the original places.
    const std::optional<std::filesystem::path>& folderPath() const { return folder_; }

    friend bool operator==(const RestoreDestination&, const RestoreDestination&) = default;

private:
    explicit RestoreDestination(std::optional<std::filesystem::path> folder) : folder_(std::move(folder)) {}
    std::optional<std::filesystem::path> folder_;
};

// Where the files to restore come from: the Keldra, or a device folder on a backup drive.
class RestoreSourceKind {
public:
    static RestoreSourceKind keldra() { return RestoreSourceKind(std::nullopt); }
    static RestoreSourceKind drive(std::filesystem::path deviceFolder) {
        return RestoreSourceKind(std::move(deviceFolder));
    }

    bool isKeldra() const { return !deviceFolder_.has_value(); }
    // The device folder on the drive; none for the Keldra.
    const std::optional<std::filesystem::path>& driveFolder() const { return deviceFolder_; }

    friend bool operator==(const RestoreSourceKind&, const RestoreSourceKind&) = default;

private:
    explicit RestoreSourceKind(std::optional<std::filesystem::path> folder)
        : deviceFolder_(std::move(folder)) {}
    std::optional<std::filesystem::path> deviceFolder_;
};

} // namespace keldra
