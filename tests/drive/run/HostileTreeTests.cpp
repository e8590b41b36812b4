// A drive run against files swapped behind its back and drives laid out to mislead it: it never follows a
// link, never waits on a pipe, never reads past what the scan saw, and never writes or deletes off the drive.

#include "tests/drive/run/DriveRunFixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra::test {
namespace {

// Swaps a source file for something else right before its copy is written, as a user or attacker could.
struct Swap {
    const char* name;
    std::function<void(const fs::path& source)> replace;
};

TEST_F(DriveRunTest, ASourceSwappedAfterTheScanFailsThatFileAndNothingElse) {
    const std::vector<Swap> swaps = {
        {"pipe",
         [](const fs::path& source) {
             fs::remove(source);
             ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
         }},
        {"link to an endless device",
         [](const fs::path& source) {
             fs::remove(source);
             fs::create_symlink("/dev/zero", source);
         }},
        {"link to another file",
         [this](const fs::path& source) {
             fs::remove(source);
             writeFile(temp / "elsewhere", "secret");
             fs::create_symlink(temp / "elsewhere", source);
         }},
        {"a much larger file",
         [](const fs::path& source) {
             // Sparse: 64 MiB that cost nothing, of which a reader bounded by the scanned size reads 7 bytes.
             const int fd = ::open(source.c_str(), O_WRONLY | O_TRUNC);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::ftruncate(fd, 64 << 20), 0);
             ::close(fd);
         }},
    };
    for (const Swap& swap : swaps) {
        SCOPED_TRACE(swap.name);
        fs::remove_all(sourceDir);
        fs::remove_all(driveMount);
        fs::create_directories(driveMount);
        driveIndex = std::make_unique<BackupIndex>(temp / ("drive-index-" + std::string(swap.name)), logger);
        const fs::path swapped = put("six.txt", "sixbyt");
        put("other.txt", "kept");
        files.beforeWrite = [&](int, const fs::path& source) {
            if (source == swapped) {
                swap.replace(source);
            }
        };
        (void)meter.takePending();

        const RunOutput output = run();

        files.beforeWrite = nullptr;
        ASSERT_TRUE(output.result.record);
        EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(1));
        EXPECT_EQ(output.result.record->uploaded, 1);
        EXPECT_EQ(objects().size(), 1u);
        EXPECT_FALSE(driveIndex->file(stored("six.txt")));
        EXPECT_LE(meter.takePending(), 64) << "read past the scanned size";
        const auto failures = history.failures(output.result.record->id);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].path, stored("six.txt"));
        for (const auto& entry : fs::recursive_directory_iterator(deviceFolder())) {
            EXPECT_LT(entry.is_regular_file() ? entry.file_size() : 0, 1u << 20) << entry.path();
        }
    }
}

TEST_F(DriveRunTest, TheBackupRootsOwnFilesAreNeverPipesOrLinks) {
    put("a.txt", "alpha");
    ASSERT_TRUE(run().result.record);
    ASSERT_EQ(objects().size(), 1u);

    // A pipe where the header belongs ends the run at once, without touching it.
    fs::rename(root() / "backup.json", temp / "header");
    ASSERT_EQ(::mkfifo((root() / "backup.json").c_str(), 0600), 0);
    RunOutput output = run();
    ASSERT_TRUE(output.result.record);
    EXPECT_EQ(output.result.record->status, RunStatus::failed);
    EXPECT_EQ(output.result.outcome,
              LocalOutcome::failed("The backup folder on the drive holds a link or another unexpected item "
                                   "where its own files belong. Nothing was written there."));
    fs::remove(root() / "backup.json");
    fs::rename(temp / "header", root() / "backup.json");

    // A pipe named like an object, met by a fresh index that rebuilds itself from the drive's objects.
    const std::string id = "ab000000000000000000000000000001";
    fs::create_directories(deviceFolder() / "objects" / "ab");
    ASSERT_EQ(::mkfifo((deviceFolder() / "objects" / "ab" / (id + ".olo")).c_str(), 0600), 0);
    driveIndex = std::make_unique<BackupIndex>(temp / "fresh-index", logger);
    output = run();
    ASSERT_TRUE(output.result.record);
    EXPECT_NE(output.result.record->status, RunStatus::running);
    EXPECT_EQ(driveIndex->file(stored("a.txt"))->keldraFileID.has_value(), true);
}

TEST_F(DriveRunTest, LinksBelowTheBackupRootAreNeverFollowed) {
    // Each case puts a link where the format has a folder, pointing at a folder of the computer that holds
    // a file the clean-up would delete if it went there.
    const fs::path computer = temp / "computer";
    struct Case {
        const char* name;
        std::function<void()> plant;
    };
    const std::vector<Case> cases = {
        {"devices folder",
         [&] {
             fs::remove_all(root() / "devices");
             fs::create_symlink(computer, root() / "devices");
         }},
        {"device folder",
         [&] {
             fs::remove_all(deviceFolder());
             fs::create_symlink(computer, deviceFolder());
         }},
        {"objects folder",
         [&] {
             fs::remove_all(deviceFolder() / "objects");
             fs::create_symlink(computer, deviceFolder() / "objects");
         }},
        {"every fan-out folder",
         [&] {
             fs::remove_all(deviceFolder() / "objects");
             fs::create_directories(deviceFolder() / "objects");
             for (int i = 0; i < 256; ++i) {
                 char name[3];
                 std::snprintf(name, sizeof name, "%02x", i);
                 fs::create_symlink(computer, deviceFolder() / "objects" / name);
             }
         }},
    };
    put("a.txt", "alpha");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(computer);
        writeFile(computer / ".tmp-keep", "mine");
        writeFile(computer / "objects" / ".tmp-keep", "mine");
        writeFile(computer / "objects" / "ab" / ".tmp-keep", "mine");
        const auto before = tree(computer);
        fs::remove_all(driveMount);
        fs::create_directories(driveMount);
        driveIndex = std::make_unique<BackupIndex>(temp / ("index-" + std::string(c.name)), logger);
        ASSERT_TRUE(run().result.record);
        c.plant();
        put("b.txt", "beta");

        const RunOutput output = run();

        ASSERT_TRUE(output.result.record);
        EXPECT_EQ(output.result.record->status, RunStatus::failed);
        EXPECT_EQ(output.result.record->uploaded, 0);
        EXPECT_EQ(tree(computer), before);
        fs::remove(sourceDir / "b.txt");
    }
}

} // namespace
} // namespace keldra::test

namespace keldra::test {
namespace {

TEST_F(DriveRunTest, ASingleFileSourceThatIsALinkIsCopiedWhereItLeads) {
    writeFile(temp / "real" / "notes.txt", "the notes");
    fs::create_symlink(temp / "real" / "notes.txt", temp / "notes-link");
    LocalRunRequest fileRequest = request();
    fileRequest.sources[0].isFile = true;
    fileRequest.sources[0].path = (temp / "notes-link").string();

    const RunOutput output = run(fileRequest);

    ASSERT_TRUE(output.result.record);
    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(output.result.record->uploaded, 1);
    const auto row = driveIndex->file(BackupSource::abbreviatePath((temp / "notes-link").string()));
    ASSERT_TRUE(row && row->keldraFileID);
}

} // namespace
} // namespace keldra::test

namespace keldra::test {
namespace {

TEST_F(DriveRunTest, RemovingAnObjectNeverGoesThroughALinkedFolder) {
    const std::string id = "ab000000000000000000000000000002";
    const fs::path computer = temp / "computer";
    writeFile(computer / (id + ".olo"), "not an object of ours");
    fs::create_directories(deviceFolder() / "objects");
    fs::create_symlink(computer, deviceFolder() / "objects" / "ab");
    ASSERT_TRUE(driveIndex->addVersion({id, "~/a", 1, 1, 2, 2}));

    EXPECT_FALSE(LocalBackupEngine::deleteObject(id, {deviceFolder(), *driveIndex, files}));

    EXPECT_TRUE(fs::exists(computer / (id + ".olo")));
    EXPECT_EQ(driveIndex->versions("~/a").size(), 1u) << "the row stays for a later run";
}

} // namespace
} // namespace keldra::test
