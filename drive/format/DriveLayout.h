#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace keldra::LocalFormat {

// Names of the backup folder on a drive. Plain file paths never appear here: they live only inside each
// object's sealed metadata.
inline constexpr std::string_view backupFolderName = "Orlivane Keldra Backup";
inline constexpr std::string_view headerFileName = "backup.json";
inline constexpr std::string_view readmeFileName = "README.txt";
inline constexpr std::string_view devicesFolderName = "devices";
inline constexpr std::string_view deviceFileName = "device.json";
inline constexpr std::string_view objectsFolderName = "objects";
inline constexpr std::string_view objectExtension = ".olo";
inline constexpr std::string_view temporaryObjectPrefix = ".tmp-";
inline constexpr std::string_view scratchBodyPrefix = ".body-";

// root/"devices"/deviceID
std::filesystem::path deviceFolder(const std::filesystem::path& backupRoot, std::string_view deviceID);

// deviceFolder/"objects"/<first two characters>
std::filesystem::path objectFanoutFolder(const std::filesystem::path& deviceFolder,
                                         std::string_view objectID);

// deviceFolder/"objects"/XX/<id>.olo, the finished object.
std::filesystem::path objectPath(const std::filesystem::path& deviceFolder, std::string_view objectID);

// deviceFolder/"objects"/XX/.tmp-<id>, the object while it is being written.
std::filesystem::path temporaryObjectPath(const std::filesystem::path& deviceFolder,
                                          std::string_view objectID);

// Creates one folder whose parent exists (never its parents). An existing entry is accepted only when it is
// a real folder: a link in its place (ENOTDIR) would send what goes in it off the drive.
std::error_code makePlainFolder(const std::filesystem::path& path);

// Whether every level from `root` (exclusive) down to `folder` (inclusive) is a real folder, not a link or
// a file: ENOTDIR otherwise, or the error that kept a level from being looked at. `folder` must lie below
// `root`.
std::error_code checkPlainFolders(const std::filesystem::path& root, const std::filesystem::path& folder);

// A new object identifier: a random UUID without dashes, lower-cased (32 hex digits).
std::string makeObjectID();
// Whether the text has that form (and so names one file in one fan-out folder, nothing else).
bool isObjectID(std::string_view text);

} // namespace keldra::LocalFormat
