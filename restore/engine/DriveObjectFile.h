#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace keldra {

// Whether an id can name a drive object: exactly 32 lower-case hex digits, as the drive engine makes
// them. Only such ids become file paths, so a listed id can never lead a restore or a delete out of the
// device folder.
bool isDriveObjectID(std::string_view id);

// The object file of `id` in a device folder on a drive (deviceFolder/objects/XX/<id>.olo), or none when
// the id is not a drive object id.
std::optional<std::filesystem::path> driveObjectFile(const std::filesystem::path& deviceFolder,
                                                     std::string_view id);

} // namespace keldra
