// Writes that the database refuses are reported to the caller with SQLite's message, and a write of several
// statements lands whole or not at all.

#include "core/index/BackupIndex.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

class IndexWriteFailures : public ::testing::Test {
protected:
    test::TempDir dir;
    test::RecordingLogger logger;
    BackupIndex index{dir.path(), logger};

    // Makes every statement of the kind fail, as a full disk would, with the message "refused".
    void refuse(const std::string& event, const std::string& table) {
        ASSERT_TRUE(index.execute("CREATE TRIGGER refuse_" + table + "_" + event + " BEFORE " + event +
                                  " ON " + table + " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
};

TEST_F(IndexWriteFailures, EveryWriterReportsTheRefusal) {
    const IndexedFile file{"~/a", "s", 1, 1, "h", "id1", 1, std::nullopt};
    const IndexedVersion version{"id1", "~/a", 1, 1, std::nullopt, 2};
    ASSERT_TRUE(index.upsertFile(file));
    ASSERT_TRUE(index.addVersion(version));
    const std::int64_t run = index.startRun("Manual", SystemTime{});
    ASSERT_NE(run, 0);
    refuse("INSERT", "files");
    refuse("UPDATE", "files");
    refuse("INSERT", "versions");
    refuse("UPDATE", "versions");
    refuse("DELETE", "versions");
    refuse("UPDATE", "runs");
    refuse("INSERT", "run_failures");
    refuse("INSERT", "meta");

    RunRecord record;
    record.id = run;
    const std::vector<std::pair<const char*, IndexWrite>> writes = {
        {"upsertFile", index.upsertFile(file)},
        {"addVersion", index.addVersion({"id2", "~/a", 1, 2, std::nullopt, 2})},
        {"supersedeOtherVersions", index.supersedeOtherVersions("~/a", "id9", 5)},
        {"recordCopy", index.recordCopy(file, {"id3", "~/a", 1, 3, std::nullopt, 2}, 3)},
        {"reconcileWithListing", index.reconcileWithListing({})},
        {"clearFilesAndVersions", index.clearFilesAndVersions()},
        {"finishRun", index.finishRun(record)},
        {"addFailure", index.addFailure(run, "~/a", "why")},
        {"setMeta", index.setMeta("k", "v")},
    };
    for (const auto& [name, write] : writes) {
        EXPECT_FALSE(write.ok()) << name;
        EXPECT_EQ(write.message(), "refused") << name;
    }
    // Nothing of the refused multi-statement writes stayed behind.
    EXPECT_EQ(index.file("~/a"), file);
    EXPECT_EQ(index.versions("~/a"), std::vector<IndexedVersion>{version});
}

TEST_F(IndexWriteFailures, ACopyIsRecordedWholeOrNotAtAll) {
    const IndexedVersion older{"old", "~/a", 1, 1, std::nullopt, 2};
    ASSERT_TRUE(index.addVersion(older));
    refuse("INSERT", "files"); // the last of the three statements fails

    const IndexWrite written = index.recordCopy({"~/a", "s", 2, 2, "h", "new", 2, std::nullopt},
                                                {"new", "~/a", 2, 2, std::nullopt, 2}, 2);

    EXPECT_FALSE(written);
    EXPECT_EQ(index.versions("~/a"), std::vector<IndexedVersion>{older}) << "version or supersession kept";
    EXPECT_FALSE(index.file("~/a"));
    ASSERT_TRUE(index.execute("DROP TRIGGER refuse_files_INSERT"));
    EXPECT_TRUE(index.recordCopy({"~/a", "s", 2, 2, "h", "new", 2, std::nullopt},
                                 {"new", "~/a", 2, 2, std::nullopt, 2}, 2));
    EXPECT_EQ(index.versions("~/a").size(), 2u);
    EXPECT_EQ(index.versions("~/a").back().supersededAt, 2);
}

TEST_F(IndexWriteFailures, FinishingARunWithoutARowIsNotReportedAsDone) {
    RunRecord record;
    record.id = 0; // what startRun gives when it could not insert
    record.status = RunStatus::succeeded;
    EXPECT_FALSE(index.finishRun(record));
    record.id = index.startRun("Manual", SystemTime{});
    EXPECT_TRUE(index.finishRun(record));
}

} // namespace
} // namespace keldra
