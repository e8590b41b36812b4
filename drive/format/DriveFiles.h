#pragma once

#include "drive/format/BackupHeader.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace keldra::LocalFormat {

// The explanatory text beside "backup.json": lines joined by "\n", none after the last.
std::string readmeText();

// The compact JSON of "device.json": {"name":<name>}.
std::string deviceJson(std::string_view deviceName);

// Whole-file atomic writes (temporary file, flush, rename), so a drive pulled mid-write never holds a
// half-written file where a good one was.
std::error_code writeHeaderFile(const std::filesystem::path& backupRoot, const BackupHeader& header);
std::error_code writeReadmeFile(const std::filesystem::path& backupRoot);
std::error_code writeDeviceFile(const std::filesystem::path& deviceFolder, std::string_view deviceName);

// Reads and decodes root/"backup.json"; nothing when it cannot be read, is larger than any header could
// be, or does not decode.
std::optional<BackupHeader> readHeaderFile(const std::filesystem::path& backupRoot);

// Reads a small file from the drive whole; nothing when it cannot be read or exceeds `limit` bytes (a
// damaged drive must not make us read gigabytes into memory).
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit);

} // namespace keldra::LocalFormat
