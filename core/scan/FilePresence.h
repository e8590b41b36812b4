#pragma once

#include "core/scan/ScanFileSystem.h"

#include <filesystem>

namespace keldra {

enum class FilePresence { present, absent, unknown };

// Whether a file (or link) is still at `path`, before its backups are removed as deleted. Unknown when the
// system cannot tell, a folder that exists but cannot be listed or a failing disk, which must never count
// as deleted.
FilePresence filePresence(const ScanFileSystem& fileSystem, const std::filesystem::path& path);

} // namespace keldra
