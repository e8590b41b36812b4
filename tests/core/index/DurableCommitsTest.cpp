// The commits later writes depend on are on the disk when they return; the others keep the cheaper setting.

#include "core/index/BackupIndex.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"
#include "tests/support/WalSyncWatch.h"

#include <functional>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(IndexDurableCommits, OnlyDurableCommitsAndGroupRecordsAreSyncedBeforeTheyReturn) {
    test::installWalSyncWatch();
    test::TempDir dir;
    test::RecordingLogger logger;
    BackupIndex index(dir.path(), logger);
    const auto copy = [](const std::string& id) {
        return BackupIndex::NewCopy{IndexedFile{"~/a", "s", 1, 1, "h", id, 1, std::nullopt},
                                    IndexedVersion{id, "~/a", 1, 1, std::nullopt, 2}, 1};
    };
    struct Case {
        const char* name;
        std::function<IndexWrite()> write;
        bool leftUnsynced;
    };
    // In this order: each ordinary write after a durable one shows the setting went back.
    const std::vector<Case> cases = {
        {"an ordinary meta write", [&] { return index.setMeta("k", "1"); }, true},
        {"a durable meta write", [&] { return index.setMeta("k", "2", IndexCommit::durable); }, false},
        {"an ordinary meta write after it", [&] { return index.setMeta("k", "3"); }, true},
        {"a durable removal of a meta key",
         [&] { return index.setMeta("k", std::nullopt, IndexCommit::durable); }, false},
        {"an ordinary row",
         [&] {
             return index.upsertFile({"~/b", "s", 1, 1, "h", "b", 1, std::nullopt});
         },
         true},
        {"a group's record",
         [&] {
             return index.recordCopies({copy("x1"), copy("x2")}, "list", "x3");
         },
         false},
        {"an ordinary row after it",
         [&] {
             return index.upsertFile({"~/c", "s", 1, 1, "h", "c", 1, std::nullopt});
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.write());
        EXPECT_EQ(test::walHasUnsyncedWrites(index.databasePath()), c.leftUnsynced);
    }
    EXPECT_EQ(index.meta("list"), "x3");
    EXPECT_EQ(index.file("~/a")->keldraFileID, "x2");
}

} // namespace
} // namespace keldra
