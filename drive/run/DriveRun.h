#pragma once

#include "core/events/EndRun.h"
#include "core/events/EngineEvent.h"
#include "core/events/LogLine.h"
#include "core/events/RunProgress.h"
#include "core/index/BackupIndex.h"
#include "core/scan/Candidate.h"
#include "core/scan/ExclusionRules.h"
#include "core/scan/SourceScanner.h"
#include "core/scan/UncertainPaths.h"
#include "core/seams/CancelToken.h"
#include "drive/catalog/LocalCatalog.h"
#include "drive/format/ChunkBuffers.h"
#include "drive/run/LocalBackupEngine.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace keldra {

// One drive run: the state of a single LocalBackupEngine::run call and its steps, in order.
class DriveRun {
public:
    DriveRun(const LocalEngineServices& services, const LocalRunRequest& request, BackupIndex& index,
             const EngineEventHandler& onEvent, const CancelToken& cancel);

    LocalRunResult run();

private:
    // One way a drive run ends, thrown from any step as EndRun<Ending>; the run records its status.
    struct Ending {
        RunStatus status;
        std::string message;
        LogLine::Tone tone;
        LocalOutcome outcome;
    };
    static Ending disconnected();
    static Ending cancelled();
    static Ending unexpectedLayout();

    // Steps.
    void writeOrCheckHeader();
    void prepareDeviceFolder();
    void listAndReconcile();
    void removeUnrecordedObjects();
    void seedVersions();
    void scanSources();
    void scanSource(const BackupSource& source, const SourceScanner& scanner,
                    const std::vector<std::string>& skipRoots);
    void visit(const std::string& absolutePath, const std::string& readFrom, std::int64_t size, double mtime,
               const std::string& sourceID);
    void markVanishedFiles();
    void copyCandidates();
    void finishUp();

    // Copying one file.
    void copy(const Candidate& candidate);
    bool ensureRoom(const Candidate& candidate);
    void failFile(const Candidate& candidate, const std::string& reason);
    void failScannedFile(const std::string& path, const std::string& reason);
    void advanceProgress(const Candidate& candidate);
    void handleWriteError(const Candidate& candidate, const std::filesystem::path& temporary,
                          const std::exception& error);
    void failForWriteError(const std::vector<const Candidate*>& candidates, const std::exception& error);
    bool linkToExisting(const Candidate& candidate, const std::string& checksum,
                        const std::filesystem::path& temporary);
    void failUnrecorded(const Candidate& candidate, const IndexWrite& write);
    std::optional<std::string> reserveObjectID(const Candidate& candidate);

    // Group commit: copies are moved into place unflushed, then flushed together, and only then recorded
    // together, so no row ever names an object that a power cut could take away.
    struct PlacedCopy {
        const Candidate* candidate;
        std::string objectID;
        double copyTime;
        std::string checksum;
        std::int64_t objectSize;
    };
    // A full group is flushed on a thread of its own while the next one is written, and recorded once that
    // flush has ended; one group at most is flushing at a time, and groups are recorded in order.
    struct FlushingGroup {
        std::vector<PlacedCopy> copies;
        std::vector<std::filesystem::path> objects;
        std::vector<std::filesystem::path> folders;
        GroupFlush flush;
        // Last, so it is destroyed first: its thread is joined before the rest goes.
        std::future<void> flushed;
    };
    bool groupIsFull() const;
    void handOverGroup();
    bool flushingGroupDone() const;
    void finishFlushingGroup();
    void commitGroup();
    void recordGroup(const std::vector<PlacedCopy>& group);
    void failGroup(const std::vector<PlacedCopy>& group, const std::exception& error);
    void listGroupItems(const std::vector<PlacedCopy>& group, std::vector<std::filesystem::path>& objects,
                        std::vector<std::filesystem::path>& folders) const;
    static std::vector<const Candidate*> candidatesOf(const std::vector<PlacedCopy>& group);
    void abandonGroup();
    void releaseFreshObjectIDs();
    void removeGroupObjects(const std::vector<PlacedCopy>& group);
    std::error_code removeFromDrive(const std::filesystem::path& path) const;
    // Whether the device folder the run holds is still linked and still the one at its path.
    bool deviceFolderIsHeld() const;
    IndexWrite writeUnrecordedObjects(IndexCommit commit = IndexCommit::ordinary);

    LocalRunResult finish(const Ending& ending);
    void log(const std::string& message, LogLine::Tone tone);
    void emitProgress();
    void emit(const EngineEvent& event);
    double now() const;
    LocalBackupEngine::DriveStore store() const;

    const LocalEngineServices& services_;
    const LocalRunRequest& request_;
    BackupIndex& index_;
    const EngineEventHandler& onEvent_;
    CancelToken cancel_;

    std::filesystem::path root_;
    std::filesystem::path deviceFolder_;
    bool headerExisted_ = false;
    RunRecord record_;
    RunProgress progress_;
    ExclusionRules rules_;
    UncertainPaths uncertain_;
    std::unordered_set<std::string> seenPaths_;
    std::unordered_set<std::string> scannedSourceIDs_;
    LocalBackupEngine::ObjectSet liveObjects_;
    LocalCatalog::Catalog seedCatalog_;
    std::vector<Candidate> candidates_;
    std::int64_t sourceVisits_ = 0;
    bool driveFull_ = false;
    int unrecordedCopies_ = 0;
    std::vector<PlacedCopy> group_;
    std::int64_t groupBytes_ = 0;
    std::chrono::steady_clock::time_point groupStarted_;
    // The filling group's: opened once the device folder exists, before the run writes any object, and
    // anew as each group is handed over.
    std::optional<GroupFlush> groupFlush_;
    std::optional<FlushingGroup> flushing_;
    // The large files' chunk buffers, kept from one copy to the next for the length of the run.
    LocalFormat::ChunkBufferPool chunkBuffers_;
    // The identifiers the index lists as possibly on the drive without a row, and those of them that no
    // copy has used yet.
    std::set<std::string> unrecordedObjects_;
    std::vector<std::string> freshObjectIDs_;
    bool unrecordedListChanged_ = false;
};

} // namespace keldra
