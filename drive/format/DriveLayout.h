#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

// A new object identifier: a random UUID without dashes, lower-cased (32 hex digits).
std::string makeObjectID();

} // namespace keldra::LocalFormat
