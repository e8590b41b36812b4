// A drive run whose index runs out of room: no file counts as copied unless its copy is recorded, no object
// stays on the drive that no row names, and the run's row tells how it really ended.

#include "tests/drive/run/DriveRunFixture.h"
#include "tests/support/SmallDisk.h"

#include <set>

namespace keldra::test {
namespace {

TEST_F(DriveRunTest, AFullIndexNeverLeavesACopyUnrecordedOrARunSucceededThatWasNot) {
    const SmallDisk disk(temp / "small", 192 * 1024);
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.whyNot();
    }
    driveIndex = std::make_unique<BackupIndex>(temp / "small" / "index", logger);
    constexpr int fileCount = 400;
    for (int i = 0; i < fileCount; ++i) {
        put("folder/" + std::string(180, 'n') + std::to_string(i), "content " + std::to_string(i));
    }

    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("run " + std::to_string(round));
        const std::size_t objectsBefore = objects().size();
        const RunOutput output = run();
        ASSERT_TRUE(output.result.record);
        const RunRecord& record = *output.result.record;

        const std::set<std::string> named = namedObjects(*driveIndex);
        for (const std::string& object : objects()) {
            EXPECT_TRUE(named.contains(object)) << "object " << object << " is named by no row";
        }
        EXPECT_LE(objects().size(), static_cast<std::size_t>(fileCount));
        EXPECT_EQ(static_cast<std::size_t>(record.uploaded), objects().size() - objectsBefore);

        std::int64_t recorded = 0;
        for (const IndexedFile& row : driveIndex->files()) {
            recorded += row.keldraFileID ? 1 : 0;
        }
        if (recorded < fileCount) {
            EXPECT_NE(record.status, RunStatus::succeeded);
            EXPECT_NE(output.result.outcome, LocalOutcome::completed());
        }
        EXPECT_EQ(history.recentRuns(1).at(0).status, record.status);
    }
    EXPECT_LT(objects().size(), static_cast<std::size_t>(fileCount)) << "the disk never filled";
}

} // namespace
} // namespace keldra::test
