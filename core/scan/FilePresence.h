#pragma once

#include "core/index/BackupIndex.h"
#include "core/scan/ScanFileSystem.h"

#include <filesystem>

namespace keldra {

enum class FilePresence { present, absent, unknown };

// Whether a file (or link) is still at `path`, before its backups are removed as deleted. Unknown when the
// system cannot tell, a folder that exists but cannot be listed or a failing disk, which must never count
// as deleted.
FilePresence filePresence(const ScanFileSystem& fileSystem, const std::filesystem::path& path);

// For a files row marked missing: true only when the file is confirmed gone from disk. One back on disk
// loses its mark; one whose absence cannot be told keeps it. Neither is gone.
bool missingFileIsGone(BackupIndex& index, const ScanFileSystem& fileSystem, const IndexedFile& row);

} // namespace keldra
