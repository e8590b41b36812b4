// Copies are flushed and recorded in groups: a copy is recorded only once its group is on the drive, a
// group that cannot be flushed leaves none of its copies recorded, and copies a run moved onto the drive
// without recording them are removed by the next run and copied again.

#include "DriveRunFixture.h"
#include "tests/support/WalSyncWatch.h"

#include <chrono>
#include <condition_variable>
#include <gmock/gmock.h>
#include <mutex>
#include <set>

namespace keldra::test {
namespace {

using ::testing::IsEmpty;

constexpr const char* stoppedMessage = "Stopped. The next copy picks up where this one stopped.";

std::set<std::string> idsOf(const std::vector<fs::path>& objects) {
    std::set<std::string> ids;
    for (const fs::path& object : objects) {
        ids.insert(object.stem().string());
    }
    return ids;
}

class GroupCommitTest : public DriveRunTest {
public:
    // Every file's current row names an object on the drive whose whole content opens to the file's bytes.
    void expectRecordedCopiesOpen() {
        for (const IndexedFile& row : driveIndex->files()) {
            ASSERT_TRUE(row.keldraFileID) << row.path;
            const fs::path object = LocalFormat::objectPath(deviceFolder(), *row.keldraFileID);
            const fs::path restored = temp / "restored";
            LocalFormat::restoreObject(object, restored, driveRunKey());
            EXPECT_EQ(readFile(restored), readFile(BackupSource::expandPath(row.path))) << row.path;
        }
        EXPECT_EQ(namedObjects(*driveIndex), objects());
        EXPECT_FALSE(driveIndex->meta(metakey::unrecordedObjects));
    }

    LocalBackupEngine pairs{
        LocalEngineServices{history, meter, clock, volumes, files, nullptr, nullptr, CopyGroupLimits{2}}};
};

TEST_F(GroupCommitTest, AGroupThatCannotBeFlushedRecordsNoneOfItsCopiesAndReportsEachFile) {
    struct Case {
        const char* name;
        int fault;
        std::string reason;
        bool driveFull;
    };
    const std::vector<Case> cases = {
        {"input/output error", EIO, "Input/output error.", false},
        {"drive full", ENOSPC, "Not enough space on the drive.", true},
        {"read-only", EROFS, "The drive is read-only.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            put(std::string(name) + ".txt", std::string("content of ") + name);
        }
        files.flushes = 0;
        std::set<std::string> failedGroup;
        files.beforeFlush = [&](int call, const std::vector<fs::path>& objects) {
            if (call == 2) {
                failedGroup = idsOf(objects);
                throw systemError(c.fault);
            }
        };
        const RunOutput output = runWith(pairs, request());
        files.beforeFlush = nullptr;

        ASSERT_TRUE(output.result.record);
        const RunRecord& record = *output.result.record;
        EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(2));
        EXPECT_EQ(record.uploaded, 3);
        EXPECT_EQ(record.failed, 2);
        EXPECT_EQ(output.result.driveFull, c.driveFull);
        ASSERT_EQ(failedGroup.size(), 2u);
        const auto failures = history.failures(record.id);
        ASSERT_EQ(failures.size(), 2u);
        EXPECT_NE(failures[0].path, failures[1].path);
        for (const RunFailure& failure : failures) {
            EXPECT_EQ(failure.reason, "Backup: " + c.reason);
            EXPECT_TRUE(output.hasLog("Backup: " + failure.path + ": " + c.reason));
            const auto row = driveIndex->file(failure.path);
            EXPECT_FALSE(row && row->keldraFileID) << failure.path;
        }
        // The failed group's objects are gone; every file was counted once.
        for (const std::string& id : failedGroup) {
            EXPECT_FALSE(objects().contains(id));
        }
        EXPECT_EQ(objects().size(), 3u);
        EXPECT_EQ(output.progress[output.progress.size() - 2].filesDone, 5);
        expectRecordedCopiesOpen();

        const RunOutput retry = runWith(pairs, request());
        EXPECT_EQ(retry.result.outcome, LocalOutcome::completed());
        EXPECT_EQ(retry.result.record->uploaded, 2);
        expectRecordedCopiesOpen();
    }
}

TEST_F(GroupCommitTest, AWholeFileSystemFlushRecordsEachGroupOnTheRealDrive) {
    files.flushMethod = GroupFlushMethod::wholeFileSystem;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        put(std::string(name) + ".txt", std::string("content of ") + name);
    }
    put("big.bin", std::string(LocalFormat::chunkSize + 5, 'x'));
    const RunOutput output = runWith(pairs, request());

    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(output.result.record->uploaded, 6);
    EXPECT_EQ(files.flushes, 3);
    expectRecordedCopiesOpen();
}

TEST_F(GroupCommitTest, AGroupFlushesWhileTheNextIsWrittenAndIsRecordedOnlyOnceFlushed) {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        put(std::string(name) + ".txt", std::string("content of ") + name);
    }
    // The first group's flush holds until the third file's write has looked at the index; each side waits
    // at most ten seconds, so a run that does not overlap fails instead of hanging.
    std::mutex mutex;
    std::condition_variable changed;
    bool flushing = false;
    bool released = false;
    std::set<std::string> firstGroup;
    bool overlapped = false;
    std::set<std::string> recordedDuringFlush;
    files.writes = 0;
    files.beforeFlush = [&](int call, const std::vector<fs::path>& objects) {
        if (call != 1) {
            return;
        }
        std::unique_lock lock(mutex);
        firstGroup = idsOf(objects);
        flushing = true;
        changed.notify_all();
        overlapped = changed.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
    };
    files.beforeWrite = [&](int call, const fs::path&) {
        if (call != 3) {
            return;
        }
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return flushing; });
        recordedDuringFlush = namedObjects(*driveIndex);
        released = true;
        changed.notify_all();
    };
    const RunOutput output = runWith(pairs, request());
    files.beforeFlush = nullptr;
    files.beforeWrite = nullptr;

    EXPECT_TRUE(overlapped) << "the next group was not written while the first one flushed";
    EXPECT_EQ(firstGroup.size(), 2u);
    EXPECT_THAT(recordedDuringFlush, IsEmpty());
    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(output.result.record->uploaded, 5);
    EXPECT_EQ(files.flushes, 3);
    EXPECT_EQ(output.progress[output.progress.size() - 2].filesDone, 5);
    expectRecordedCopiesOpen();
}

TEST_F(GroupCommitTest, AStopMidGroupEndsStoppedWithOnlyFlushedCopiesRecorded) {
    struct Case {
        const char* name;
        bool flushFails;
        // Groups of two: the two finished copies are a group flushing on its own thread when the stop comes.
        bool flushingGroup;
        std::int64_t copied;
    };
    const std::vector<Case> cases = {
        {"the finished copies are flushed and kept", false, false, 2},
        {"the last flush fails", true, false, 0},
        {"the flushing group is waited for and kept", false, true, 2},
        {"the flushing group's flush fails", true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        for (const char* name : {"a", "b", "c", "d"}) {
            put(std::string(name) + ".txt", name);
        }
        files.writes = 0;
        CancelSource stop;
        files.beforeWrite = [&](int call, const fs::path&) {
            if (call == 3) {
                stop.request_stop();
            }
        };
        std::set<std::string> flushed;
        files.beforeFlush = [&](int, const std::vector<fs::path>& objects) {
            if (c.flushFails) {
                throw systemError(EIO);
            }
            const std::set<std::string> ids = idsOf(objects);
            flushed.insert(ids.begin(), ids.end());
        };
        const RunOutput output = runWith(c.flushingGroup ? pairs : engine, request(), stop.get_token());
        files.beforeWrite = nullptr;
        files.beforeFlush = nullptr;

        EXPECT_EQ(output.result.outcome, LocalOutcome::cancelled());
        EXPECT_EQ(output.result.record->status, RunStatus::cancelled);
        EXPECT_EQ(output.result.record->message, stoppedMessage);
        EXPECT_EQ(output.result.record->uploaded, c.copied);
        const std::set<std::string> recorded = namedObjects(*driveIndex);
        EXPECT_EQ(recorded.size(), static_cast<std::size_t>(c.copied));
        for (const std::string& id : recorded) {
            EXPECT_TRUE(flushed.contains(id)) << "recorded before it was flushed: " << id;
        }
        EXPECT_EQ(objects(), recorded);
        expectRecordedCopiesOpen();
    }
}

TEST_F(GroupCommitTest, CopiesLeftUnrecordedByACutOffRunAreRemovedAndCopiedAgain) {
    put("a.txt", "alpha");
    put("b.txt", "bravo");
    put("c.txt", "charlie");
    // The state a power cut or a kill leaves just before the first group is flushed: copies in place, the
    // index listing them as unrecorded, no row naming them.
    const fs::path savedDrive = temp / "saved-drive";
    const fs::path savedIndex = temp / "saved-index";
    files.beforeFlush = [&](int call, const std::vector<fs::path>&) {
        if (call == 1) {
            fs::copy(driveMount, savedDrive, fs::copy_options::recursive);
            fs::copy(temp / "drive-index", savedIndex, fs::copy_options::recursive);
        }
    };
    ASSERT_EQ(run().result.outcome, LocalOutcome::completed());
    files.beforeFlush = nullptr;

    driveIndex.reset();
    fs::remove_all(driveMount);
    fs::remove_all(temp / "drive-index");
    fs::rename(savedDrive, driveMount);
    fs::rename(savedIndex, temp / "drive-index");
    driveIndex = std::make_unique<BackupIndex>(temp / "drive-index", logger);
    const std::set<std::string> leftOver = objects();
    ASSERT_EQ(leftOver.size(), 3u);
    EXPECT_THAT(namedObjects(*driveIndex), IsEmpty());
    ASSERT_TRUE(driveIndex->meta(metakey::unrecordedObjects));

    const RunOutput next = run();
    EXPECT_EQ(next.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(next.result.record->uploaded, 3);
    for (const std::string& id : leftOver) {
        EXPECT_FALSE(objects().contains(id)) << "unrecorded object kept: " << id;
    }
    EXPECT_EQ(objects().size(), 3u);
    expectRecordedCopiesOpen();
}

TEST_F(GroupCommitTest, NoObjectReachesItsNameBeforeTheIndexWritesBeforeItAreOnTheDisk) {
    // The reservation listing its name, and the records of the groups before it: were either lost to a
    // power cut, an object could stay on the drive that no list or row names.
    installWalSyncWatch();
    driveIndex.reset();
    driveIndex = std::make_unique<BackupIndex>(temp / "drive-index", logger);
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        put(std::string(name) + ".txt", std::string("content of ") + name);
    }
    int unsyncedAtMove = 0;
    files.moves = 0;
    files.beforeMove = [&](int) {
        if (walHasUnsyncedWrites(driveIndex->databasePath())) {
            ++unsyncedAtMove;
        }
    };
    const RunOutput output = runWith(pairs, request());
    files.beforeMove = nullptr;

    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(files.moves, 5);
    EXPECT_EQ(unsyncedAtMove, 0);
    expectRecordedCopiesOpen();
}

} // namespace
} // namespace keldra::test
