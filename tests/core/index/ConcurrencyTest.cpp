#include "core/index/BackupIndex.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace keldra {
namespace {

// Two callers share one index, as the cloud run and the drive run share the account index. Every write
// must land, each run must get its own id back, and no caller's statement may fall inside another's
// transaction (which SQLite reports as "cannot start a transaction within a transaction").
TEST(IndexConcurrency, TwoThreadsNeitherLoseNorInterleaveWrites) {
    test::TempDir dir;
    test::RecordingLogger logger;
    BackupIndex index(dir.path(), logger);
    constexpr int perThread = 300;

    std::unordered_set<std::string> allIDs;
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < perThread; ++i) {
            allIDs.insert(std::to_string(t) + "-" + std::to_string(i));
        }
    }

    auto work = [&](int t) {
        for (int i = 0; i < perThread; ++i) {
            const std::string tag = std::to_string(t) + "-" + std::to_string(i);
            index.upsertFile({"~/" + tag, "s" + std::to_string(t), i, 1.0, "h", tag, 2.0, std::nullopt});
            index.addVersion({tag, "~/" + tag, i, 1.0, std::nullopt, 1});
            auto run = index.startRun(tag, fromUnixSeconds(i));
            index.addFailure(run, "~/" + tag, tag);
            if (i % 10 == 0) {
                // Everything is listed, so a correct reconcile never unlinks anything.
                EXPECT_EQ(index.reconcileWithListing(allIDs).count(), 0);
                index.pruneRuns(10'000);
            }
        }
    };
    std::thread first(work, 0);
    std::thread second(work, 1);
    first.join();
    second.join();

    EXPECT_EQ(logger.lines(), std::vector<std::string>{});
    EXPECT_EQ(index.files().size(), 2u * perThread);
    EXPECT_EQ(index.backedUpFileCount(), 2 * perThread);
    auto runs = index.recentRuns(10'000);
    ASSERT_EQ(runs.size(), 2u * perThread);
    std::set<std::int64_t> ids;
    for (const auto& run : runs) {
        ids.insert(run.id);
        // The failure written with the id startRun returned belongs to this very run.
        auto failures = index.failures(run.id);
        ASSERT_EQ(failures.size(), 1u) << run.trigger;
        EXPECT_EQ(failures[0].reason, run.trigger);
    }
    EXPECT_EQ(ids.size(), 2u * perThread);
}

} // namespace
} // namespace keldra
