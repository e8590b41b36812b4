// The deleting side on its own: one object, making room, retention, purge of deleted files, scratch files.

#include "DriveRunFixture.h"
#include "tests/support/FailingScanFileSystem.h"

#include <gmock/gmock.h>

namespace keldra::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class DriveSpaceTest : public DriveRunTest {
protected:
    DriveSpaceTest() { fs::create_directories(deviceFolder() / "objects"); }

    LocalBackupEngine::DriveStore drive() { return {deviceFolder(), *driveIndex, files}; }

    // An object file and its versions row.
    std::string addVersion(const std::string& path, char tag, std::int64_t size,
                           std::optional<double> supersededAt) {
        const std::string id(32, tag);
        writeFile(LocalFormat::objectPath(deviceFolder(), id),
                  std::string(static_cast<std::size_t>(size), 'o'));
        driveIndex->addVersion(IndexedVersion{id, path, size, 1.0, supersededAt, 2});
        return id;
    }
    void setCurrent(const std::string& path, const std::string& id) {
        driveIndex->upsertFile(IndexedFile{path, "S1", 1, 1.0, "hash", id, 1.0, std::nullopt});
    }
    bool objectExists(const std::string& id) {
        return fs::exists(LocalFormat::objectPath(deviceFolder(), id));
    }
    std::vector<std::string> versionIDs(const std::string& path) {
        std::vector<std::string> ids;
        for (const IndexedVersion& version : driveIndex->versions(path)) {
            ids.push_back(version.keldraFileID);
        }
        return ids;
    }
};

TEST_F(DriveSpaceTest, DeleteObjectTreatsOnlyAMissingFileAsAlreadyGone) {
    struct Case {
        const char* name;
        bool fileThere;
        int removeError; // 0: remove for real
        bool objectsFolderThere;
        bool deleted;
    };
    const std::vector<Case> cases = {
        {"present", true, 0, true, true},
        {"already gone", false, 0, true, true},
        {"removal fails", true, EIO, true, false},
        {"busy", true, EBUSY, true, false},
        {"drive folder gone", true, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(deviceFolder());
        fs::create_directories(deviceFolder() / "objects");
        driveIndex->clearFilesAndVersions();
        const std::string id = addVersion("~/a", 'a', 10, std::nullopt);
        if (!c.fileThere) {
            fs::remove(LocalFormat::objectPath(deviceFolder(), id));
        }
        if (!c.objectsFolderThere) {
            fs::remove_all(deviceFolder() / "objects");
        }
        files.removeFault = [&](const fs::path&) {
            return c.removeError ? std::error_code(c.removeError, std::generic_category())
                                 : std::error_code{};
        };
        EXPECT_EQ(LocalBackupEngine::deleteObject(id, drive()), c.deleted);
        files.removeFault = nullptr;
        EXPECT_EQ(versionIDs("~/a").empty(), c.deleted);
        if (c.removeError) {
            EXPECT_TRUE(objectExists(id));
        }
    }
}

TEST_F(DriveSpaceTest, MakeRoomRemovesTheLongestSupersededCopiesWhoseCurrentCopyIsOnTheDrive) {
    const std::string current = addVersion("~/a", 'c', 100, std::nullopt);
    const std::string newer = addVersion("~/a", 'n', 40, 200.0);
    const std::string older = addVersion("~/a", 'o', 30, 50.0);
    setCurrent("~/a", current);
    // Its path's current copy is not on the drive: never removed, however old.
    const std::string orphanCurrent = addVersion("~/b", 'd', 100, std::nullopt);
    const std::string orphanOld = addVersion("~/b", 'e', 60, 10.0);
    setCurrent("~/b", orphanCurrent);
    const LocalBackupEngine::ObjectSet live = {current};

    // 30 bytes are met by the oldest eligible version alone.
    EXPECT_EQ(LocalBackupEngine::makeRoom(30, drive(), live, clock.now()), 30);
    EXPECT_FALSE(objectExists(older));
    EXPECT_TRUE(objectExists(newer));
    EXPECT_TRUE(objectExists(orphanOld));

    EXPECT_EQ(LocalBackupEngine::makeRoom(1'000'000, drive(), live, clock.now()), 40);
    EXPECT_THAT(versionIDs("~/a"), ElementsAre(current));
    EXPECT_TRUE(objectExists(orphanOld));
    EXPECT_TRUE(objectExists(current));

    // With no listing of the drive nothing is known to be there, so nothing is removed.
    addVersion("~/a", 'p', 10, 300.0);
    EXPECT_EQ(LocalBackupEngine::makeRoom(1'000'000, drive(), {}, clock.now()), 0);
}

TEST_F(DriveSpaceTest, RetentionRemovesExpiredCopiesOrMakesUnprotectedOnesCurrentAgain) {
    const double now = toUnixSeconds(clock.now());
    const double twoDaysAgo = now - 2 * 86400;
    const std::string current = addVersion("~/a", 'c', 10, std::nullopt);
    const std::string expired = addVersion("~/a", 'x', 10, twoDaysAgo);
    const std::string recent = addVersion("~/a", 'r', 10, now - 3600);
    setCurrent("~/a", current);
    // The current copy is not on the drive.
    const std::string notLive = addVersion("~/b", 'd', 10, std::nullopt);
    const std::string keptB = addVersion("~/b", 'k', 10, twoDaysAgo);
    setCurrent("~/b", notLive);
    // No files row at all.
    const std::string rowless = addVersion("~/c", 'z', 10, twoDaysAgo);

    // 0 days means one day: only versions superseded over a day ago are considered.
    EXPECT_EQ(
        LocalBackupEngine::pruneVersions(0, drive(), LocalBackupEngine::ObjectSet{current}, clock.now()), 1);
    EXPECT_FALSE(objectExists(expired));
    EXPECT_TRUE(objectExists(recent));
    EXPECT_THAT(versionIDs("~/a"), UnorderedElementsAre(current, recent));
    for (const char* path : {"~/b", "~/c"}) {
        for (const IndexedVersion& version : driveIndex->versions(path)) {
            EXPECT_FALSE(version.supersededAt) << version.keldraFileID;
        }
    }
    EXPECT_TRUE(objectExists(keptB));
    EXPECT_TRUE(objectExists(rowless));
}

TEST_F(DriveSpaceTest, PurgeStopsAtTheFirstCopyThatCannotBeRemoved) {
    const double longAgo = toUnixSeconds(clock.now()) - 40 * 86400;
    const std::string path = BackupSource::abbreviatePath(sourceDir / "gone.txt");
    const std::string current = addVersion(path, 'c', 10, std::nullopt);
    const std::string old = addVersion(path, 'o', 10, 5.0);
    driveIndex->upsertFile(IndexedFile{path, "S1", 10, 1.0, "hash", current, 1.0, longAgo});
    fs::create_directories(sourceDir);
    const UncertainPaths uncertain;
    const ExclusionRules rules;

    files.removeFault = [&](const fs::path& p) {
        return p.filename() == old + ".olo" ? std::error_code(EIO, std::generic_category())
                                            : std::error_code{};
    };
    EXPECT_EQ(LocalBackupEngine::purgeDeletedFiles(30, {"S1"}, uncertain, rules, drive(),
                                                   chosenOrPosix(nullptr), clock.now()),
              0);
    files.removeFault = nullptr;
    EXPECT_TRUE(driveIndex->file(path));
    EXPECT_THAT(versionIDs(path), ::testing::Contains(old));

    // Not scanned in this run, or under a folder that could not be read: kept.
    EXPECT_EQ(LocalBackupEngine::purgeDeletedFiles(30, {}, uncertain, rules, drive(), chosenOrPosix(nullptr),
                                                   clock.now()),
              0);
    UncertainPaths unread;
    unread.record(sourceDir);
    EXPECT_EQ(LocalBackupEngine::purgeDeletedFiles(30, {"S1"}, unread, rules, drive(), chosenOrPosix(nullptr),
                                                   clock.now()),
              0);
    EXPECT_TRUE(driveIndex->file(path));

    // A folder that is there but cannot be listed does not prove the file deleted.
    const FailingScanFileSystem unlistable = FailingScanFileSystem::locking(sourceDir.filename());
    EXPECT_EQ(
        LocalBackupEngine::purgeDeletedFiles(30, {"S1"}, uncertain, rules, drive(), unlistable, clock.now()),
        0);
    EXPECT_TRUE(driveIndex->file(path));

    EXPECT_EQ(LocalBackupEngine::purgeDeletedFiles(30, {"S1"}, uncertain, rules, drive(),
                                                   chosenOrPosix(nullptr), clock.now()),
              1);
    EXPECT_FALSE(driveIndex->file(path));
    EXPECT_THAT(versionIDs(path), IsEmpty());
    EXPECT_FALSE(objectExists(old));
}

TEST_F(DriveSpaceTest, ScratchCleanUpOnlyTouchesScratchNamesInPrefixFolders) {
    const fs::path objects = deviceFolder() / "objects";
    for (const char* name : {"ab/.tmp-abc", "ab/.body-abc", "ab/abc.olo", "ab/notes.txt", "cd/.tmp-x",
                             ".tmp-top", ".body-top"}) {
        writeFile(objects / name, "x");
    }
    LocalBackupEngine::cleanTemporaryFiles(deviceFolder(), files);
    EXPECT_THAT(tree(objects), UnorderedElementsAre(".body-top 1", ".tmp-top 1", "ab", "ab/abc.olo 1",
                                                    "ab/notes.txt 1", "cd"));
    // A device folder without "objects" is not an error.
    LocalBackupEngine::cleanTemporaryFiles(temp / "nowhere", files);
}

} // namespace
} // namespace keldra::test
