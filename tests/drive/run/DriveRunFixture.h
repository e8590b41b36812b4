#pragma once

// A drive run against a temporary folder standing in for the drive: a fake volume table (mounted or not,
// any free space), a drive writer that can fail on cue, and real indexes, objects and sources.

#include "core/crypto/KeldraKey.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/seams/Logger.h"
#include "drive/catalog/LocalCatalog.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/LocalBackupEngine.h"
#include "tests/support/FakeVolumeProvider.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace keldra::test {

namespace fs = std::filesystem;

inline KeldraKey driveRunKey(std::uint8_t seed = 1) {
    SymmetricKey bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return KeldraKey(bytes);
}

// The real drive writer, with hooks that fail or disturb chosen calls.
class FaultyDriveFileSystem final : public RealDriveFileSystem {
public:
    // Called before each object write with its 1-based number; may throw to fail the write.
    std::function<void(int call, const fs::path& source)> beforeWrite;
    // Called after each successful write, before the source is checked again.
    std::function<void(int call, const fs::path& source)> afterWrite;
    // Called before each move; may throw.
    std::function<void(int call)> beforeMove;
    // Called after each successful move.
    std::function<void(int call)> afterMove;
    // Called before each group flush with its 1-based number and the objects in it; may throw.
    std::function<void(int call, const std::vector<fs::path>& objects)> beforeFlush;
    // Called after each successful group flush.
    std::function<void(int call)> afterFlush;
    // How groups are flushed, whatever file system the temporary folder is on.
    GroupFlushMethod flushMethod = GroupFlushMethod::eachItem;
    // A fault for a removal (none: remove for real).
    std::function<std::error_code(const fs::path& path)> removeFault;
    // A fault for a removal through a held folder (none: remove for real).
    std::function<std::error_code(const fs::path& relative)> removeAtFault;

    LocalFormat::WriteResult writeObject(const fs::path& source, std::int64_t readLimit,
                                         const fs::path& temporary, std::string_view objectID,
                                         const KeldraKey& key, const LocalFormat::MetadataBuilder& metadata,
                                         const LocalFormat::ChunkObserver& onChunk, const CancelToken& cancel,
                                         LocalFormat::ChunkBufferPool& buffers) const override {
        const int call = ++writes;
        if (beforeWrite) {
            beforeWrite(call, source);
        }
        auto result = RealDriveFileSystem::writeObject(source, readLimit, temporary, objectID, key, metadata,
                                                       onChunk, cancel, buffers);
        if (afterWrite) {
            afterWrite(call, source);
        }
        return result;
    }
    void moveItem(const fs::path& from, const fs::path& to) const override {
        const int call = ++moves;
        if (beforeMove) {
            beforeMove(call);
        }
        RealDriveFileSystem::moveItem(from, to);
        if (afterMove) {
            afterMove(call);
        }
    }
    GroupFlush startFlushes(const fs::path& deviceFolder) const override {
        return GroupFlush::open(deviceFolder, flushMethod);
    }
    void flushItems(const GroupFlush& flush, const std::vector<fs::path>& objects,
                    const std::vector<fs::path>& folders) const override {
        const int call = ++flushes;
        if (beforeFlush) {
            beforeFlush(call, objects);
        }
        RealDriveFileSystem::flushItems(flush, objects, folders);
        if (afterFlush) {
            afterFlush(call);
        }
        ++flushesDone;
    }
    // Waits (ten seconds at most) until `count` group flushes have succeeded: a group flushes on a thread of
    // its own while the next is written, so a hook on the run's thread that must come after a flush waits.
    void waitForFlushes(int count) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (flushesDone < count && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::error_code removeItem(const fs::path& path) const override {
        if (removeFault) {
            if (const std::error_code fault = removeFault(path)) {
                return fault;
            }
        }
        return RealDriveFileSystem::removeItem(path);
    }
    std::error_code removeItemAt(int folder, const fs::path& relative) const override {
        if (removeAtFault) {
            if (const std::error_code fault = removeAtFault(relative)) {
                return fault;
            }
        }
        return RealDriveFileSystem::removeItemAt(folder, relative);
    }

    mutable std::atomic<int> writes{0};
    mutable std::atomic<int> moves{0};
    mutable std::atomic<int> flushes{0};
    mutable std::atomic<int> flushesDone{0};
};

// Waits (ten seconds at most) until `flag` is set by another thread: a hook that must come after another
// one waits, and a run that never gets there fails instead of hanging.
inline void waitUntil(const std::atomic<bool>& flag) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!flag && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Every object the index names: by a version or by a file's current row.
inline std::set<std::string> namedObjects(BackupIndex& index) {
    std::set<std::string> named;
    for (const std::string& id : index.query("SELECT keldra_file_id FROM versions", {},
                                             [](const BackupIndex::Row& row) { return row.text(0); })) {
        named.insert(id);
    }
    for (const IndexedFile& row : index.files()) {
        if (row.keldraFileID) {
            named.insert(*row.keldraFileID);
        }
    }
    return named;
}

inline std::system_error systemError(int code) {
    return std::system_error(code, std::generic_category(), "test fault");
}

struct RunOutput {
    LocalRunResult result;
    std::vector<LogLine> logs;
    std::vector<RunProgress> progress;

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const LogLine& line : logs) {
            out.push_back(line.text);
        }
        return out;
    }
    bool hasLog(const std::string& text) const {
        for (const LogLine& line : logs) {
            if (line.text == text) {
                return true;
            }
        }
        return false;
    }
};

// Public members: table cases arrange the fixture through lambdas.
class DriveRunTest : public ::testing::Test {
public:
    DriveRunTest() {
        fs::create_directories(driveMount);
        fs::create_directories(sourceDir);
        volumes.mount(MountedVolume{driveMount, "UUID-1", "Backup", false});
        destination.id = "D1";
        destination.name = "Backup";
        destination.volumeUUID = "UUID-1";
        destination.volumePathAtAdd = driveMount.string();
        destination.folderInVolume = "";
        destination.addedAt = clock.now();
        source.id = "S1";
        source.path = sourceDir.string();
        source.addedAt = clock.now();
        driveIndex = std::make_unique<BackupIndex>(temp / "drive-index", logger);
    }

    LocalRunRequest request() const {
        BackupSettings settings = BackupSettings::defaults();
        settings.customExclusions.clear();
        return LocalRunRequest{driveRunKey(),   settings, {source}, destination, "device-1",
                               "Test Computer", "Manual", false,    {}};
    }

    RunOutput run(const LocalRunRequest& request, const CancelToken& cancel = {}) {
        return runWith(engine, request, cancel);
    }
    RunOutput runWith(LocalBackupEngine& withEngine, const LocalRunRequest& request,
                      const CancelToken& cancel = {}) {
        RunOutput output;
        output.result = withEngine.run(
            request, *driveIndex,
            [&](const EngineEvent& event) {
                if (const auto* log = event.get<EngineEvent::Log>()) {
                    output.logs.push_back(log->line);
                } else if (const auto* progress = event.get<EngineEvent::Progress>()) {
                    output.progress.push_back(progress->progress);
                }
            },
            cancel);
        return output;
    }
    RunOutput run() { return run(request()); }

    fs::path root() const { return driveMount / "Orlivane Keldra Backup"; }
    fs::path deviceFolder() const { return root() / "devices" / "device-1"; }
    std::set<std::string> objects() const {
        return LocalCatalog::listObjects(deviceFolder()).value_or(std::set<std::string>{});
    }

    // An empty drive, an empty source and a drive index without copies: a table case starts afresh.
    void startAfresh() {
        fs::remove_all(driveMount);
        fs::remove_all(sourceDir);
        fs::create_directories(driveMount);
        driveIndex->clearFilesAndVersions();
    }

    // A source file with the given content (folders made as needed).
    fs::path put(const std::string& relative, const std::string& content) {
        const fs::path path = sourceDir / relative;
        writeFile(path, content);
        return path;
    }
    std::string stored(const std::string& relative) const {
        return BackupSource::abbreviatePath(sourceDir / relative);
    }

    // Every file below a folder with its size, to show that nothing changed.
    static std::vector<std::string> tree(const fs::path& folder) {
        std::vector<std::string> out;
        if (!fs::exists(folder)) {
            return out;
        }
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            std::string line = fs::relative(entry.path(), folder).string();
            if (entry.is_regular_file()) {
                line += " " + std::to_string(entry.file_size());
            }
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir temp;
    fs::path driveMount = temp / "drive";
    fs::path sourceDir = temp / "source";
    NullLogger logger;
    BackupIndex history{temp / "history", logger};
    std::unique_ptr<BackupIndex> driveIndex;
    FakeVolumeProvider volumes;
    VirtualClock clock;
    ThroughputMeter meter;
    FaultyDriveFileSystem files;
    LocalBackupEngine engine{LocalEngineServices{history, meter, clock, volumes, files}};
    // The same engine flushing and recording every copy on its own.
    LocalBackupEngine singleCopyGroups{
        LocalEngineServices{history, meter, clock, volumes, files, nullptr, nullptr, CopyGroupLimits{1}}};
    LocalDestination destination;
    BackupSource source;
};

} // namespace keldra::test
