// Copying one file: write failures, a drive that fills or goes away, making room, changed sources, linking.

#include "DriveRunFixture.h"
#include "core/events/ByteCount.h"

#include <gmock/gmock.h>
#include <sys/mount.h>

namespace keldra::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> scratchFiles(const fs::path& folder) {
    std::vector<std::string> out;
    if (!fs::exists(folder)) {
        return out;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".tmp-", 0) == 0) {
            out.push_back(name);
        }
    }
    return out;
}

TEST_F(DriveRunTest, WriteFailuresFailOneFileAndTheRunGoesOn) {
    struct Case {
        const char* name;
        bool onMove;
        std::function<void()> fault;
        std::string reason;
        bool driveFull;
    };
    const std::vector<Case> cases = {
        {"no space", false, [] { throw systemError(ENOSPC); }, "Not enough space on the drive.", true},
        {"quota", false, [] { throw systemError(EDQUOT); }, "Not enough space on the drive.", true},
        {"read-only", false, [] { throw systemError(EROFS); }, "The drive is read-only.", false},
        {"full behind the format's own text", false,
         [] {
             throw LocalFormat::FormatError::io("Couldn't write to the drive.",
                                                {ENOSPC, std::generic_category()});
         },
         "Not enough space on the drive.", true},
        {"path too long", false,
         [] { throw LocalFormat::FormatError::io(std::string(LocalFormat::pathTooLongMessage)); },
         "This file's path is too long to back up to a drive.", false},
        {"other error, drive still there", false, [] { throw systemError(EIO); }, "Input/output error.",
         false},
        {"full while moving into place", true, [] { throw systemError(ENOSPC); },
         "Not enough space on the drive.", true},
        {"read-only while moving into place", true, [] { throw systemError(EROFS); },
         "The drive is read-only.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        put("a.txt", "alpha");
        put("b.txt", "bravo");
        files.writes = 0;
        files.moves = 0;
        // Fail the first file once its temporary object exists, so the clean-up is tested too.
        files.afterWrite = [&](int call, const fs::path&) {
            if (!c.onMove && call == 1) {
                c.fault();
            }
        };
        files.beforeMove = [&](int call) {
            if (c.onMove && call == 1) {
                c.fault();
            }
        };

        const RunOutput output = run();

        ASSERT_TRUE(output.result.record);
        const RunRecord& record = *output.result.record;
        EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(1));
        EXPECT_EQ(record.status, RunStatus::partial);
        EXPECT_EQ(record.uploaded, 1);
        EXPECT_EQ(record.failed, 1);
        EXPECT_EQ(output.result.driveFull, c.driveFull);
        EXPECT_EQ(record.message,
                  "1 copied (" + formatByteCount(record.uploadedBytes) + ") · 1 couldn't be copied");
        EXPECT_EQ(output.logs.back().tone, LogLine::Tone::warning);
        const auto failures = history.failures(record.id);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].reason, "Backup: " + c.reason);
        EXPECT_TRUE(output.hasLog("Backup: " + failures[0].path + ": " + c.reason));
        // The failed file is not recorded as copied, and nothing half-written stays on the drive.
        const auto failedRow = driveIndex->file(failures[0].path);
        EXPECT_FALSE(failedRow && failedRow->keldraFileID);
        EXPECT_THAT(scratchFiles(driveMount), IsEmpty());
        EXPECT_EQ(objects().size(), 1u);
        EXPECT_TRUE(driveIndex->meta("lastSuccess"));
    }
    files.afterWrite = nullptr;
    files.beforeMove = nullptr;
}

TEST_F(DriveRunTest, ADriveThatGoesAwayMidRunEndsAsDisconnected) {
    const std::string message = "The drive was disconnected. The next copy picks up where this one stopped.";
    struct Case {
        const char* name;
        bool singleCopyGroups;
        std::function<void(DriveRunTest&)> arrange;
        std::int64_t copied;
    };
    const std::vector<Case> cases = {
        // The mount point stays behind as an empty folder: nothing may be rebuilt inside it. The first copy
        // is recorded by the time the third is written; the second copy's flush waits until the folder is
        // gone, so it is never recorded before.
        {"unmounted after the first copy was recorded", true,
         [](DriveRunTest& t) {
             auto gone = std::make_shared<std::atomic<bool>>(false);
             t.files.beforeFlush = [gone](int call, const std::vector<fs::path>&) {
                 if (call == 2) {
                     waitUntil(*gone);
                 }
             };
             t.files.beforeWrite = [&t, gone](int call, const fs::path&) {
                 if (call == 3) {
                     fs::remove_all(t.root());
                     *gone = true;
                 }
             };
         },
         1},
        {"write fails and the backup folder is gone", true,
         [](DriveRunTest& t) {
             auto gone = std::make_shared<std::atomic<bool>>(false);
             t.files.beforeFlush = [gone](int call, const std::vector<fs::path>&) {
                 if (call == 2) {
                     waitUntil(*gone);
                 }
             };
             t.files.afterWrite = [&t, gone](int call, const fs::path&) {
                 if (call == 3) {
                     fs::remove_all(t.root());
                     *gone = true;
                     throw systemError(EIO);
                 }
             };
         },
         1},
        {"objects folder gone before finishing", true,
         [](DriveRunTest& t) {
             t.files.afterFlush = [&t](int call) {
                 if (call == 3) {
                     fs::remove_all(t.deviceFolder() / "objects");
                 }
             };
         },
         3},
        // Copies moved into place but not yet flushed went with the drive: none of them is recorded.
        {"unmounted before the group was flushed", false,
         [](DriveRunTest& t) {
             t.files.afterMove = [&t](int call) {
                 if (call == 2) {
                     fs::remove_all(t.root());
                 }
             };
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        driveIndex->setMeta("lastSuccess", std::nullopt);
        put("a.txt", "a");
        put("b.txt", "b");
        put("c.txt", "c");
        files.writes = 0;
        files.moves = 0;
        files.flushes = 0;
        files.flushesDone = 0;
        c.arrange(*this);

        const RunOutput output = runWith(c.singleCopyGroups ? singleCopyGroups : engine, request());
        files.afterMove = nullptr;
        files.afterWrite = nullptr;
        files.beforeWrite = nullptr;
        files.beforeFlush = nullptr;
        files.afterFlush = nullptr;

        EXPECT_EQ(output.result.outcome, LocalOutcome::notConnected());
        ASSERT_TRUE(output.result.record);
        EXPECT_EQ(output.result.record->status, RunStatus::cancelled);
        EXPECT_EQ(output.result.record->message, message);
        EXPECT_EQ(output.logs.back().text, "Backup: " + message);
        EXPECT_EQ(output.result.record->uploaded, c.copied);
        EXPECT_EQ(history.recentRuns(1).front().status, RunStatus::cancelled);
        // What was copied before is recorded, so the next run does not copy it again.
        int recorded = 0;
        for (const IndexedFile& row : driveIndex->files()) {
            recorded += row.keldraFileID ? 1 : 0;
        }
        EXPECT_EQ(recorded, c.copied);
        EXPECT_FALSE(driveIndex->meta("lastSuccess"));
        if (std::string(c.name) != "objects folder gone before finishing") {
            EXPECT_THAT(tree(driveMount), IsEmpty());
        }
    }
}

TEST_F(DriveRunTest, AFileEditedDuringItsCopyLeavesNothingAndIsRetried) {
    const fs::path file = put("draft.txt", "first words");
    files.afterWrite = [&](int call, const fs::path&) {
        if (call == 1) {
            writeFile(file, "first words, and more");
        }
    };
    const RunOutput output = run();
    files.afterWrite = nullptr;
    EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(1));
    const std::string reason = "Changed while it was being copied. It'll be tried again next run.";
    EXPECT_EQ(history.failures(output.result.record->id).at(0).reason, "Backup: " + reason);
    EXPECT_THAT(objects(), IsEmpty());
    EXPECT_THAT(scratchFiles(driveMount), IsEmpty());
    EXPECT_FALSE(driveIndex->file(stored("draft.txt")));

    const RunOutput retry = run();
    EXPECT_EQ(retry.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(retry.result.record->uploaded, 1);
}

TEST_F(DriveRunTest, ATouchedButUnchangedFileIsLinkedNotCopied) {
    const fs::path file = put("same.txt", "same content");
    run();
    const auto row = *driveIndex->file(stored("same.txt"));
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    const RunOutput output = run();
    EXPECT_EQ(output.result.record->uploaded, 0);
    EXPECT_EQ(output.result.record->skipped, 1);
    EXPECT_EQ(objects().size(), 1u);
    EXPECT_EQ(driveIndex->versions(stored("same.txt")).size(), 1u);
    const auto linked = *driveIndex->file(stored("same.txt"));
    EXPECT_EQ(linked.keldraFileID, row.keldraFileID);
    EXPECT_EQ(linked.backedUpAt, row.backedUpAt);
    EXPECT_EQ(linked.mtime, 1'700'000'000.0);
    EXPECT_THAT(scratchFiles(driveMount), IsEmpty());
}

TEST_F(DriveRunTest, SpaceCheckBeforeEachCopy) {
    constexpr std::int64_t margin = 536870912;
    constexpr std::int64_t emptyFileNeed = 28 + 4096 + 1048576;
    struct Case {
        const char* name;
        std::int64_t free;
        bool copied;
    };
    const std::vector<Case> cases = {
        {"exactly enough for an empty file", emptyFileNeed + margin, true},
        {"one byte short, nothing to remove", emptyFileNeed + margin - 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(sourceDir);
        driveIndex->clearFilesAndVersions();
        put("empty", "");
        volumes.setFreeSpace(c.free);
        const RunOutput output = run();
        EXPECT_EQ(output.result.record->uploaded, c.copied ? 1 : 0);
        EXPECT_EQ(output.result.driveFull, !c.copied);
        EXPECT_EQ(output.result.freeBytes, c.free);
        if (!c.copied) {
            EXPECT_EQ(history.failures(output.result.record->id).at(0).reason,
                      "Backup: Not enough space on the drive.");
            EXPECT_FALSE(output.hasLog("Backup: Removed old versions to make room (Zero KB)."));
        }
    }
}

TEST_F(DriveRunTest, OldVersionsMakeRoomForANewCopy) {
    put("a.txt", std::string(3000, 'a'));
    run();
    const auto oldID = *driveIndex->file(stored("a.txt"))->keldraFileID;
    clock.advance(Seconds(60));
    put("a.txt", std::string(2000, 'b'));
    run();
    ASSERT_TRUE(fs::exists(LocalFormat::objectPath(deviceFolder(), oldID)));

    // Too little room until an old version is gone.
    bool removedSomething = false;
    files.removeFault = [&](const fs::path& path) {
        if (path.extension() == ".olo") {
            removedSomething = true;
        }
        return std::error_code{};
    };
    volumes.setFreeSpace([&]() -> std::optional<std::int64_t> {
        return removedSomething ? std::int64_t{10'000'000'000} : std::int64_t{1000};
    });
    clock.advance(Seconds(60));
    put("b.txt", "new");
    const RunOutput output = run();
    files.removeFault = nullptr;

    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_TRUE(output.hasLog("Backup: Removed old versions to make room (" + formatByteCount(3000) + ")."));
    EXPECT_FALSE(fs::exists(LocalFormat::objectPath(deviceFolder(), oldID)));
    EXPECT_EQ(driveIndex->versions(stored("a.txt")).size(), 1u);
    EXPECT_TRUE(driveIndex->file(stored("b.txt"))->keldraFileID);
}

TEST_F(DriveRunTest, StoppingEndsTheRunAndKeepsWhatWasCopied) {
    put("a.txt", "a");
    put("b.txt", "b");
    put("c.txt", "c");
    CancelSource stop;
    files.beforeWrite = [&](int call, const fs::path&) {
        if (call == 2) {
            stop.request_stop();
        }
    };
    const RunOutput output = run(request(), stop.get_token());
    files.beforeWrite = nullptr;

    EXPECT_EQ(output.result.outcome, LocalOutcome::cancelled());
    EXPECT_EQ(output.result.record->status, RunStatus::cancelled);
    EXPECT_EQ(output.result.record->message, "Stopped. The next copy picks up where this one stopped.");
    EXPECT_EQ(output.logs.back().tone, LogLine::Tone::warning);
    EXPECT_EQ(output.result.record->uploaded, 1);
    EXPECT_EQ(objects().size(), 1u);
    EXPECT_THAT(scratchFiles(driveMount), IsEmpty());
}

// A real small file system that fills up, where the machine lets us mount one.
class TmpfsMount {
public:
    TmpfsMount(const fs::path& at, const char* options) : at_(at) {
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0;
    }
    ~TmpfsMount() {
        if (mounted_) {
            ::umount2(at_.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }

private:
    fs::path at_;
    bool mounted_ = false;
};

TEST_F(DriveRunTest, AGenuinelyFullDriveFailsTheFileCleanly) {
    TmpfsMount small(driveMount, "size=1m");
    if (!small.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount rights)";
    }
    put("big.bin", std::string(3 * 1024 * 1024, 'z'));
    volumes.setFreeSpace(std::nullopt); // unknown free space: the copy is attempted

    const RunOutput output = run();
    EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(1));
    EXPECT_TRUE(output.result.driveFull);
    EXPECT_EQ(history.failures(output.result.record->id).at(0).reason,
              "Backup: Not enough space on the drive.");
    EXPECT_THAT(scratchFiles(driveMount), IsEmpty());
    EXPECT_THAT(objects(), IsEmpty());
    // The header written before the drive filled is whole.
    EXPECT_TRUE(LocalFormat::readHeaderFile(root()));
}

TEST_F(DriveRunTest, AReadOnlyDriveIsSkipped) {
    TmpfsMount readOnly(driveMount, "size=1m");
    if (!readOnly.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights)";
    }
    fs::create_directories(root());
    ASSERT_EQ(::mount(nullptr, driveMount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    put("a.txt", "a");
    const RunOutput output = run();
    EXPECT_EQ(output.result.outcome, LocalOutcome::unavailable("The drive can't be written to."));
    EXPECT_THAT(output.texts(), ElementsAre("Backup: The drive is read-only or full. Skipped."));
    EXPECT_FALSE(output.result.record);
}

} // namespace
} // namespace keldra::test
