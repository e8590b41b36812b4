#include "restore/engine/DriveObjectFile.h"

#include "drive/format/DriveLayout.h"

#include <algorithm>

namespace keldra {

bool isDriveObjectID(std::string_view id) {
    return id.size() == 32 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::filesystem::path> driveObjectFile(const std::filesystem::path& deviceFolder,
                                                     std::string_view id) {
    if (!isDriveObjectID(id)) {
        return std::nullopt;
    }
    return LocalFormat::objectPath(deviceFolder, id);
}

} // namespace keldra
