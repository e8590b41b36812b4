// The deleting side of a drive run: one object, room for a copy, retention, files deleted on the computer
// and scratch files. The newest copy of a path is protected: an old version goes only while the path's
// current object is known to be on the drive.

#include "core/index/IndexStatements.h"
#include "core/index/RetentionRules.h"
#include "core/scan/FilePresence.h"
#include "core/settings/BackupSource.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/LocalBackupEngine.h"

#include <algorithm>
#include <set>

namespace keldra {

namespace fs = std::filesystem;

void LocalBackupEngine::seedVersions(const LocalCatalog::Catalog& catalog, BackupIndex& index) {
    using Bind = BackupIndex::Bind;
    for (const auto& [path, entries] : catalog) {
        std::optional<double> supersededAt;
        for (const LocalCatalog::Entry& entry : entries) {
            index.execute(indexsql::insertVersion,
                          {Bind::text(entry.objectID), Bind::text(path), Bind::integer(entry.meta.size),
                           Bind::real(entry.meta.created), Bind::optionalReal(supersededAt),
                           Bind::integer(2)});
            // Each older copy was superseded when the next newer one was made.
            supersededAt = entry.meta.created;
        }
    }
}

bool LocalBackupEngine::deleteObject(const std::string& objectID, const DriveStore& store) {
    // Every level down to the object's folder must be a real folder: through a link the removal would
    // delete a file somewhere else.
    const fs::path object = LocalFormat::objectPath(store.deviceFolder, objectID);
    if (LocalFormat::checkPlainFolders(store.deviceFolder, object.parent_path())) {
        return false;
    }
    // Only a genuine "no such file" means the copy is already gone; any other failure keeps the row so a
    // later run tries again.
    const std::error_code removal = store.files.removeItem(object);
    if (removal && removal != std::errc::no_such_file_or_directory) {
        return false;
    }
    return store.index.execute(indexsql::deleteVersion, {BackupIndex::Bind::text(objectID)});
}

std::int64_t LocalBackupEngine::makeRoom(std::int64_t needed, const DriveStore& store,
                                         const ObjectSet& liveObjects, SystemTime now) {
    std::vector<IndexedVersion> versions = store.index.expiredVersions(toUnixSeconds(now) + 1);
    std::stable_sort(versions.begin(), versions.end(), [](const IndexedVersion& a, const IndexedVersion& b) {
        return a.supersededAt.value_or(0) < b.supersededAt.value_or(0);
    });
    std::int64_t freed = 0;
    for (const IndexedVersion& version : versions) {
        if (freed >= needed) {
            break;
        }
        if (!newerCopyIsKnown(store.index.file(version.path), version.keldraFileID, liveObjects)) {
            continue;
        }
        if (deleteObject(version.keldraFileID, store)) {
            freed += version.size;
        }
    }
    return freed;
}

std::int64_t LocalBackupEngine::pruneVersions(std::int64_t retentionDays, const DriveStore& store,
                                              const ObjectSet& liveObjects, SystemTime now) {
    const double cutoff = periodCutoff(now, retentionDays);
    std::int64_t removed = 0;
    for (const IndexedVersion& version : store.index.expiredVersions(cutoff)) {
        if (newerCopyIsKnown(store.index.file(version.path), version.keldraFileID, liveObjects)) {
            if (deleteObject(version.keldraFileID, store)) {
                ++removed;
            }
            continue;
        }
        // Without a current copy on the drive this version may be the only one left: make it current again.
        makeCurrentAgain(store.index, version);
    }
    return removed;
}

std::int64_t LocalBackupEngine::purgeDeletedFiles(std::int64_t graceDays,
                                                  const std::unordered_set<std::string>& scannedSourceIDs,
                                                  const UncertainPaths& uncertain,
                                                  const ExclusionRules& rules, const DriveStore& store,
                                                  const ScanFileSystem& sourceFiles, SystemTime now) {
    using Bind = BackupIndex::Bind;
    const double cutoff = periodCutoff(now, graceDays);
    std::int64_t removed = 0;
    for (const IndexedFile& row : store.index.files()) {
        if (!row.missingSince || *row.missingSince >= cutoff) {
            continue;
        }
        if (scannedSourceIDs.empty() || !scannedSourceIDs.contains(row.sourceID) ||
            uncertain.contains(row.path) || rules.isExcluded(row.path)) {
            continue;
        }
        if (!missingFileIsGone(store.index, sourceFiles, row)) {
            continue;
        }
        const std::set<std::string> objectIDs = store.index.copyIDs(row);
        // Stop at the first failure: a files row is never deleted while any of its copies is still recorded.
        const bool allDeleted = std::all_of(objectIDs.begin(), objectIDs.end(),
                                            [&](const std::string& id) { return deleteObject(id, store); });
        if (allDeleted && store.index.execute(indexsql::deleteFile, {Bind::text(row.path)})) {
            ++removed;
        }
    }
    return removed;
}

void LocalBackupEngine::cleanTemporaryFiles(const fs::path& deviceFolder, const DriveFileSystem& files) {
    std::error_code error;
    fs::directory_iterator prefixes(deviceFolder / LocalFormat::objectsFolderName, error);
    if (error) {
        return;
    }
    for (const fs::directory_iterator end; prefixes != end; prefixes.increment(error)) {
        const fs::path prefix = prefixes->path();
        std::error_code listError;
        // Only prefix folders are looked into; scratch-like names directly in "objects" are left alone.
        if (!prefixes->is_directory(listError) || prefixes->is_symlink(listError)) {
            continue;
        }
        fs::directory_iterator entries(prefix, listError);
        if (listError) {
            continue;
        }
        for (const fs::directory_iterator last; entries != last; entries.increment(listError)) {
            const std::string name = entries->path().filename().string();
            if (name.starts_with(LocalFormat::temporaryObjectPrefix) ||
                name.starts_with(LocalFormat::scratchBodyPrefix)) {
                (void)files.removeItem(entries->path());
            }
        }
    }
}

} // namespace keldra
