#include "core/index/BackupIndex.h"
#include "core/index/IndexStatements.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using Bind = BackupIndex::Bind;

class IndexRuns : public ::testing::Test {
protected:
    test::TempDir dir;
    test::RecordingLogger logger;
    BackupIndex index{dir.path(), logger};

    std::int64_t runCount() {
        return index
            .query("SELECT COUNT(*) FROM runs", {},
                   [](const BackupIndex::Row& row) { return row.integer(0); })
            .at(0);
    }
    std::int64_t failureCount() {
        return index
            .query("SELECT COUNT(*) FROM run_failures", {},
                   [](const BackupIndex::Row& row) { return row.integer(0); })
            .at(0);
    }
};

TEST_F(IndexRuns, StartAndFinishRoundTripEveryField) {
    const auto started = fromUnixSeconds(1'700'000'000.5);
    auto id = index.startRun("Scheduled", started);
    EXPECT_EQ(id, 1);

    auto fresh = index.recentRuns(1).at(0);
    RunRecord expected;
    expected.id = id;
    expected.startedAt = started;
    expected.status = RunStatus::running;
    expected.trigger = "Scheduled";
    EXPECT_EQ(fresh, expected);

    expected.finishedAt = fromUnixSeconds(1'700'000'100.25);
    expected.status = RunStatus::partial;
    expected.scanned = 1000;
    expected.uploaded = 20;
    expected.uploadedBytes = 5'000'000'000;
    expected.skipped = 3;
    expected.failed = 2;
    expected.removed = 1;
    expected.message = "Backed up 20 files.";
    index.finishRun(expected);
    EXPECT_EQ(index.recentRuns(1).at(0), expected);

    // Finishing again without a message or end time writes NULL back.
    expected.finishedAt.reset();
    expected.message.reset();
    index.finishRun(expected);
    EXPECT_EQ(index.recentRuns(1).at(0), expected);
}

TEST_F(IndexRuns, StatusTextsAndUnknownStatusReadsAsFailed) {
    const std::vector<std::pair<RunStatus, std::string>> table = {
        {RunStatus::running, "running"}, {RunStatus::succeeded, "succeeded"}, {RunStatus::partial, "partial"},
        {RunStatus::failed, "failed"},   {RunStatus::cancelled, "cancelled"}, {RunStatus::paused, "paused"},
        {RunStatus::blocked, "blocked"},
    };
    for (const auto& [status, text] : table) {
        RunRecord record;
        record.id = index.startRun("Manual", fromUnixSeconds(1));
        record.status = status;
        index.finishRun(record);
        auto stored = index.query("SELECT status FROM runs WHERE id = ?", {Bind::integer(record.id)},
                                  [](const BackupIndex::Row& row) { return row.text(0); });
        EXPECT_EQ(stored.at(0), text);
        EXPECT_EQ(index.recentRuns(1).at(0).status, status);
    }
    for (const char* odd : {"Succeeded", "done", ""}) {
        index.execute("UPDATE runs SET status = ? WHERE id = 1", {Bind::text(odd)});
        EXPECT_EQ(index.recentRuns(10).back().status, RunStatus::failed) << odd;
    }
    EXPECT_EQ(runStatusFromRawValue(std::nullopt), RunStatus::failed);
}

TEST_F(IndexRuns, RecentRunsAreTheNewestFirstUpToTheLimit) {
    for (int i = 0; i < 250; ++i) {
        index.startRun("Manual", fromUnixSeconds(i));
    }
    auto runs = index.recentRuns(200);
    ASSERT_EQ(runs.size(), 200u);
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].id, 250 - static_cast<std::int64_t>(i));
    }
}

TEST_F(IndexRuns, PruneKeepsTheNewestRunsAndTheirFailuresAndIdsAreNeverReused) {
    for (int i = 1; i <= 501; ++i) {
        auto id = index.startRun("Manual", fromUnixSeconds(i));
        ASSERT_EQ(id, i);
        index.addFailure(id, "~/f" + std::to_string(i), "reason");
    }
    index.pruneRuns(500);
    EXPECT_EQ(runCount(), 500);
    EXPECT_EQ(failureCount(), 500);
    EXPECT_TRUE(index.failures(1).empty());
    EXPECT_EQ(index.failures(2).size(), 1u);
    EXPECT_EQ(index.recentRuns(1000).back().id, 2);

    index.pruneRuns(0);
    EXPECT_EQ(runCount(), 0);
    EXPECT_EQ(failureCount(), 0);
    EXPECT_EQ(index.startRun("Manual", fromUnixSeconds(1)), 502);
}

TEST_F(IndexRuns, FailedStartNeverHandsOutAnotherRowsId) {
    auto earlier = index.startRun("Manual", fromUnixSeconds(1));
    index.addFailure(earlier, "~/a", "x");
    ASSERT_TRUE(index.execute(
        "CREATE TRIGGER refuse BEFORE INSERT ON runs BEGIN SELECT RAISE(ABORT, 'refused'); END"));

    // The last inserted row is the failure: handing out its id would let this run's results overwrite
    // another run's row.
    EXPECT_EQ(index.startRun("Manual", fromUnixSeconds(2)), 0);
    EXPECT_TRUE(logger.contains("sqlite step failed: refused"));
    EXPECT_EQ(index.recentRuns(10).size(), 1u);
}

TEST_F(IndexRuns, FailuresInInsertionOrderPerRun) {
    auto first = index.startRun("Manual", fromUnixSeconds(1));
    auto second = index.startRun("Manual", fromUnixSeconds(2));
    index.addFailure(first, "~/z", "later name, first row");
    index.addFailure(second, "~/other", "other run");
    index.addFailure(first, "~/a", "second row");
    auto failures = index.failures(first);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].path, "~/z");
    EXPECT_EQ(failures[1], (RunFailure{failures[1].id, "~/a", "second row"}));
    EXPECT_LT(failures[0].id, failures[1].id);
}

TEST_F(IndexRuns, InterruptedRunRecovery) {
    auto plain = index.startRun("Scheduled", fromUnixSeconds(100));
    auto withMessage = index.startRun("Manual", fromUnixSeconds(200));
    index.execute("UPDATE runs SET message = 'Backing up' WHERE id = ?", {Bind::integer(withMessage)});
    auto withEnd = index.startRun("Manual", fromUnixSeconds(300));
    index.execute("UPDATE runs SET finished_at = 350 WHERE id = ?", {Bind::integer(withEnd)});
    RunRecord done;
    done.startedAt = fromUnixSeconds(400);
    done.trigger = "Manual";
    done.id = index.startRun(done.trigger, done.startedAt);
    done.finishedAt = fromUnixSeconds(410);
    done.status = RunStatus::succeeded;
    done.message = "All good.";
    index.finishRun(done);

    EXPECT_TRUE(index.recoverInterruptedRuns());

    for (const auto& run : index.recentRuns(10)) {
        EXPECT_NE(run.status, RunStatus::running);
        if (run.id == plain) {
            EXPECT_EQ(run.status, RunStatus::cancelled);
            EXPECT_EQ(run.finishedAt, fromUnixSeconds(100));
            EXPECT_EQ(run.message, "Interrupted. The next run picks up where this one stopped.");
        } else if (run.id == withMessage) {
            EXPECT_EQ(run.message, "Backing up");
            EXPECT_EQ(run.finishedAt, fromUnixSeconds(200));
        } else if (run.id == withEnd) {
            EXPECT_EQ(run.finishedAt, fromUnixSeconds(350));
        } else {
            EXPECT_EQ(run, done);
        }
    }
}

TEST_F(IndexRuns, MetaSetReadAndDelete) {
    EXPECT_EQ(index.meta("lastSuccess"), std::nullopt);
    index.setMeta("lastSuccess", "1700000000.5");
    index.setMeta("lastSuccess", "1700000001.5");
    EXPECT_EQ(index.meta("lastSuccess"), "1700000001.5");
    index.setMeta("lastSuccess", std::nullopt);
    EXPECT_EQ(index.meta("lastSuccess"), std::nullopt);
    // A NULL value reads as none too.
    index.execute("INSERT INTO meta (key, value) VALUES ('x', NULL)", {});
    EXPECT_EQ(index.meta("x"), std::nullopt);
}

TEST(MetaTime, ShortestTextReadsBackExactly) {
    for (double value : {1'700'000'000.0, 1'700'000'000.123456, 0.1, 1e-300, 978'307'200.000001}) {
        auto text = metaTimeText(value);
        EXPECT_EQ(parseMetaTime(text), value) << text;
    }
    EXPECT_EQ(metaTimeText(1'700'000'000.5), "1700000000.5");
    for (const char* bad : {"", "abc", "12x", "nan", "inf", " 1"}) {
        EXPECT_EQ(parseMetaTime(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace keldra
