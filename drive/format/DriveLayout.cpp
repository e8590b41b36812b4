#include "drive/format/DriveLayout.h"

#include "core/codec/Uuid.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <sys/stat.h>

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

namespace {

// None when the entry itself (a link not followed) is a folder; ENOTDIR or the error of looking otherwise.
std::error_code plainFolderProblem(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return {errno, std::generic_category()};
    }
    if (!S_ISDIR(status.st_mode)) {
        return {ENOTDIR, std::generic_category()};
    }
    return {};
}

} // namespace

std::error_code makePlainFolder(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        return {errno, std::generic_category()};
    }
    return plainFolderProblem(path);
}

std::error_code checkPlainFolders(const std::filesystem::path& root, const std::filesystem::path& folder) {
    const std::filesystem::path relative = folder.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") {
        return std::make_error_code(std::errc::invalid_argument);
    }
    std::filesystem::path level = root;
    for (const auto& part : relative) {
        if (part == ".") {
            continue;
        }
        level /= part;
        if (const std::error_code problem = plainFolderProblem(level)) {
            return problem;
        }
    }
    return {};
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

namespace keldra::LocalFormat {

bool isObjectID(std::string_view text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

} // namespace keldra::LocalFormat
