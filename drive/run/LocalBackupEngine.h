#pragma once

#include "core/events/EngineEvent.h"
#include "core/index/BackupIndex.h"
#include "core/scan/ExclusionRules.h"
#include "core/scan/UncertainPaths.h"
#include "core/seams/CancelToken.h"
#include "drive/catalog/LocalCatalog.h"
#include "drive/run/LocalEngineServices.h"
#include "drive/run/LocalRunRequest.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_set>

namespace keldra {

// Copies the backup sources to one drive per call of run(): checks the drive and its key, reconciles the
// drive's own index with the objects really on it, scans, guards against mass loss, copies new and changed
// files into encrypted objects (making room when the drive is short of space), thins out old versions,
// removes the copies of files deleted long enough ago, and records the run in the account's history.
//
// Thread-safe: runs take turns (a second call waits for the first to end), and the engine's lock only
// guards that turn, so it is never held across file I/O.
class LocalBackupEngine {
public:
    // One device folder of one drive and that drive's own index: what the deleting side works on.
    struct DriveStore {
        std::filesystem::path deviceFolder;
        BackupIndex& index;
        const DriveFileSystem& files;
    };
    using ObjectSet = std::unordered_set<std::string>;

    explicit LocalBackupEngine(LocalEngineServices services) : services_(services) {}

    // Never throws: every ending, cancellation and failure included, becomes the result. `index` is the
    // destination's own index. Events reach `onEvent` synchronously on the calling (worker) thread, in order.
    LocalRunResult run(const LocalRunRequest& request, BackupIndex& index, const EngineEventHandler& onEvent,
                       const CancelToken& cancel = {});

    // The closing message of a completed run: "3 copied (1.2 MB) · 1 couldn't be copied · 2 old copies
    // removed".
    static std::string summaryText(const RunRecord& record);

    // Gives a drive index that lost its rows the versions of every object on the drive: the newest copy
    // of each path current, each older one superseded when the next newer was made.
    static void seedVersions(const LocalCatalog::Catalog& catalog, BackupIndex& index);

    // Removes one stored version: its object file, then its versions row. False (and the row kept) when the
    // drive's "objects" folder is gone or the file could not be removed.
    static bool deleteObject(const std::string& objectID, const DriveStore& store);
    // Deletes the longest-superseded versions whose path's current copy is on the drive until `needed`
    // bytes (recorded sizes) are freed. Returns the bytes freed.
    static std::int64_t makeRoom(std::int64_t needed, const DriveStore& store, const ObjectSet& liveObjects,
                                 SystemTime now);
    // Deletes versions superseded more than `retentionDays` (at least one) ago whose path's current copy is
    // on the drive; any other such version becomes current again. Returns the versions removed.
    static std::int64_t pruneVersions(std::int64_t retentionDays, const DriveStore& store,
                                      const ObjectSet& liveObjects, SystemTime now);
    // Removes every copy of files missing from their scanned source for longer than `graceDays` (at least
    // one), never one still on disk or whose absence `sourceFiles` cannot confirm. Returns the files removed.
    static std::int64_t purgeDeletedFiles(std::int64_t graceDays,
                                          const std::unordered_set<std::string>& scannedSourceIDs,
                                          const UncertainPaths& uncertain, const ExclusionRules& rules,
                                          const DriveStore& store, const ScanFileSystem& sourceFiles,
                                          SystemTime now);
    // Removes the scratch files (".tmp-", ".body-") that interrupted copies left in the prefix folders.
    static void cleanTemporaryFiles(const std::filesystem::path& deviceFolder, const DriveFileSystem& files);

private:
    LocalEngineServices services_;
    std::mutex mutex_;
    std::condition_variable_any turnFree_;
    bool running_ = false;
};

} // namespace keldra
