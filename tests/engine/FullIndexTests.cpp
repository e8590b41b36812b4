// A cloud run whose index runs out of room: an upload counts only once it is recorded, the run never
// reports success it did not have, and later runs do not upload the same files again and again.

#include "EngineHarness.h"
#include "tests/support/SmallDisk.h"

#include <gtest/gtest.h>

namespace keldra::test {
namespace {

class FullIndexTest : public EngineTest {};

TEST_F(FullIndexTest, UploadsCountOnlyWhenRecordedAndRunsDoNotPileUpCopies) {
    const SmallDisk disk(temp_.path() / "small", 384 * 1024);
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.whyNot();
    }
    index_ = std::make_unique<BackupIndex>(temp_.path() / "small" / "state", logger_);
    rebuildEngine();
    constexpr int fileCount = 150;
    for (int i = 0; i < fileCount; ++i) {
        writeHomeFile("Documents/" + std::string(180, 'n') + std::to_string(i), "body " + std::to_string(i));
    }

    std::int64_t recordedBefore = 0;
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("run " + std::to_string(round));
        const RunResult result = run();

        std::int64_t recorded = 0;
        for (const IndexedFile& row : index_->files()) {
            recorded += row.keldraFileID ? 1 : 0;
        }
        EXPECT_LE(result.record.uploaded, recorded - recordedBefore);
        if (recorded < fileCount) {
            EXPECT_NE(result.record.status, RunStatus::succeeded);
            EXPECT_NE(result.outcome, RunOutcome::completed());
        }
        const std::vector<RunRecord> runs = index_->recentRuns(1);
        if (!runs.empty() && runs[0].id == result.record.id) {
            EXPECT_EQ(runs[0].status, result.record.status);
        }
        EXPECT_LE(storedFiles().size(), static_cast<std::size_t>(fileCount));
        recordedBefore = recorded;
    }
    EXPECT_LT(recordedBefore, fileCount) << "the disk never filled";
}

} // namespace
} // namespace keldra::test
