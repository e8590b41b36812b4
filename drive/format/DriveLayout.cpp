#include "drive/format/DriveLayout.h"

#include "core/codec/Uuid.h"

#include <algorithm>
#include <cctype>

namespace keldra::LocalFormat {

std::filesystem::path deviceFolder(const std::filesystem::path& backupRoot, std::string_view deviceID) {
    return backupRoot / devicesFolderName / deviceID;
}

std::filesystem::path objectFanoutFolder(const std::filesystem::path& deviceFolder,
                                         std::string_view objectID) {
    return deviceFolder / objectsFolderName / objectID.substr(0, 2);
}

std::filesystem::path objectPath(const std::filesystem::path& deviceFolder, std::string_view objectID) {
    return objectFanoutFolder(deviceFolder, objectID) /
           (std::string(objectID) + std::string(objectExtension));
}

std::filesystem::path temporaryObjectPath(const std::filesystem::path& deviceFolder,
                                          std::string_view objectID) {
    return objectFanoutFolder(deviceFolder, objectID) /
           (std::string(temporaryObjectPrefix) + std::string(objectID));
}

std::string makeObjectID() {
    std::string id;
    for (const char c : makeUuid()) {
        if (c != '-') {
            id.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return id;
}

} // namespace keldra::LocalFormat
