#include "core/scan/FilePresence.h"

#include "core/index/IndexStatements.h"
#include "core/settings/BackupSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace keldra {

namespace {

bool meansNoSuchEntry(int error) {
    return error == ENOENT || error == ENOTDIR;
}

} // namespace

FilePresence filePresence(const ScanFileSystem& fileSystem, const std::filesystem::path& path) {
    struct stat info {};
    const int error = fileSystem.status(AT_FDCWD, path.c_str(), false, info);
    if (error == 0) {
        return FilePresence::present;
    }
    if (!meansNoSuchEntry(error)) {
        return FilePresence::unknown;
    }
    const std::filesystem::path parent = path.parent_path();
    if (const int parentError = fileSystem.status(AT_FDCWD, parent.c_str(), true, info); parentError != 0) {
        return meansNoSuchEntry(parentError) ? FilePresence::absent : FilePresence::unknown;
    }
    if (!S_ISDIR(info.st_mode)) {
        return FilePresence::absent;
    }
    // The folder is there but its contents cannot be listed: the file's absence cannot be trusted.
    int listError = 0;
    return fileSystem.openDirectory(AT_FDCWD, parent.c_str(), true, listError) ? FilePresence::absent
                                                                               : FilePresence::unknown;
}

bool missingFileIsGone(BackupIndex& index, const ScanFileSystem& fileSystem, const IndexedFile& row) {
    switch (filePresence(fileSystem, BackupSource::expandPath(row.path))) {
    case FilePresence::present:
        index.execute(indexsql::setMissingSince,
                      {BackupIndex::Bind::null(), BackupIndex::Bind::text(row.path)});
        return false;
    case FilePresence::unknown:
        // Deleting on a guess could lose the only copy.
        return false;
    case FilePresence::absent:
        return true;
    }
    return false;
}

} // namespace keldra
