// Removing what the settings no longer keep: superseded versions past the retention period, and files deleted
// on this computer past the grace period, never where their absence is in doubt.

#include "EngineHarness.h"
#include "core/codec/Base64.h"
#include "engine/Retention.h"
#include "tests/support/FailingScanFileSystem.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace keldra::test {
namespace {

constexpr double day = 86400.0;

class RetentionTest : public EngineTest {
protected:
    std::int64_t prune(std::int64_t days, const std::unordered_set<std::string>& known) {
        Retention retention(engine().services(), {});
        return retention.pruneVersions(
            days, known, [this](const std::string& text, LogLine::Tone) { lines_.push_back(text); });
    }
    std::string seed(const std::string& body = "body") {
        const nlohmann::json stored = control().seedFile({{"email", email_},
                                                          {"folder_id", std::stoll(deviceFolder_.raw)},
                                                          {"encrypted_name", "seeded"},
                                                          {"body_base64", base64Encode(toBytes(body))}});
        return FlexID::fromJson(stored.at("id")).raw;
    }
    double now() const { return toUnixSeconds(clock_.now()); }
    std::vector<std::string> lines_;
};

TEST_F(RetentionTest, OldVersionsGoOnceTheRetentionPeriodHasPassed) {
    writeHomeFile("Documents/a.txt", "one");
    run();
    const std::string oldID = *fileRow("~/Documents/a.txt")->keldraFileID;
    writeHomeFile("Documents/a.txt", "two!");
    run();

    clock_.advance(Seconds(29 * day));
    EXPECT_EQ(run().record.removed, 0);

    clock_.advance(Seconds(2 * day));
    const RunResult result = run();

    EXPECT_EQ(result.record.removed, 1);
    EXPECT_TRUE(logged("Removed 1 versions older than 30 days."));
    EXPECT_EQ(result.record.message, "Nothing new to upload \u00b7 1 old copies removed");
    const std::vector<IndexedVersion> versions = index_->versions("~/Documents/a.txt");
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_NE(versions[0].keldraFileID, oldID);
    const nlohmann::json files = storedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(openBody(files[0]), "two!");
}

TEST_F(RetentionTest, AnExpiredVersionStaysUnlessTheCurrentCopyIsKnown) {
    struct Case {
        std::string name;
        std::optional<IndexedFile> row;
        std::unordered_set<std::string> known;
    };
    const std::string versionID = seed();
    const std::vector<Case> cases = {
        {"no files row", std::nullopt, {"current"}},
        {"row without a copy",
         IndexedFile{"~/x", "docs", 1, 1, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
         {"current"}},
        {"row names this very version",
         IndexedFile{"~/x", "docs", 1, 1, "h", versionID, 1.0, std::nullopt},
         {versionID}},
        {"current copy not known", IndexedFile{"~/x", "docs", 1, 1, "h", "current", 1.0, std::nullopt}, {}},
    };
    for (const Case& c : cases) {
        index_->clearFilesAndVersions();
        if (c.row) {
            index_->upsertFile(*c.row);
        }
        index_->addVersion(IndexedVersion{versionID, "~/x", 1, now() - 90 * day, now() - 60 * day, 1});

        EXPECT_EQ(prune(30, c.known), 0) << c.name;

        const std::vector<IndexedVersion> versions = index_->versions("~/x");
        ASSERT_EQ(versions.size(), 1u) << c.name;
        EXPECT_FALSE(versions[0].supersededAt) << c.name; // current again
    }
    EXPECT_EQ(control().requestCount("file-delete"), 0);
    EXPECT_TRUE(lines_.empty());
}

TEST_F(RetentionTest, DeletesAreRetriedAndAGoneCopyCountsAsRemoved) {
    const std::string flaky = seed("flaky");
    const std::string current = seed("current");
    index_->upsertFile(IndexedFile{"~/x", "docs", 1, 1, "h", current, 1.0, std::nullopt});
    index_->addVersion(IndexedVersion{flaky, "~/x", 1, now() - 90 * day, now() - 60 * day, 1});
    index_->addVersion(IndexedVersion{"already-gone", "~/x", 1, now() - 80 * day, now() - 50 * day, 1});
    control().addFault({{"endpoint", "file-delete"}, {"status", 503}, {"count", 2}});

    EXPECT_EQ(prune(0, {current}), 2); // 0 days counts as one

    EXPECT_EQ(sleeper_.waitSeconds(), (std::vector<double>{2.0, 4.0}));
    EXPECT_EQ(lines_, std::vector<std::string>{"Removed 2 versions older than 0 days."});
    EXPECT_TRUE(index_->versions("~/x").empty());
    EXPECT_EQ(storedFiles().size(), 1u);
}

TEST_F(RetentionTest, AFailedDeleteIsTriedAgainNextTimeAndABlockEndsThePrune) {
    const std::string old = seed("old");
    const std::string current = seed("current");
    index_->upsertFile(IndexedFile{"~/x", "docs", 1, 1, "h", current, 1.0, std::nullopt});
    index_->addVersion(IndexedVersion{old, "~/x", 1, now() - 90 * day, now() - 60 * day, 1});

    control().addFault({{"endpoint", "file-delete"}, {"status", 409}, {"body", R"({"message":"Locked."})"}});
    EXPECT_EQ(prune(30, {current}), 0);
    EXPECT_EQ(lines_, std::vector<std::string>{
                          "Couldn't remove an old version of ~/x (Locked.). It'll be tried again."});
    EXPECT_EQ(index_->versions("~/x").size(), 1u);

    control().addFault(
        {{"endpoint", "file-delete"}, {"status", 401}, {"body", R"({"code":"token_expired"})"}});
    EXPECT_THROW(prune(30, {current}), KeldraAPIError);
    EXPECT_EQ(index_->versions("~/x").size(), 1u);
}

TEST_F(RetentionTest, FilesDeletedLongerThanTheGracePeriodArePurged) {
    writeHomeFile("Documents/keep.txt", "keep");
    const auto gone = writeHomeFile("Documents/gone.txt", "v1");
    run();
    writeHomeFile("Documents/gone.txt", "v2!");
    run();
    std::filesystem::remove(gone);
    run(); // marks it missing

    clock_.advance(Seconds(31 * day));
    const RunResult result = run();

    EXPECT_TRUE(
        logged("Removed 1 files from the Keldra that were deleted on this computer over 30 days ago."));
    EXPECT_FALSE(fileRow("~/Documents/gone.txt"));
    EXPECT_TRUE(index_->versions("~/Documents/gone.txt").empty());
    const nlohmann::json files = storedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(openName(files[0]), "~/Documents/keep.txt");
    EXPECT_GE(result.record.removed, 1);
}

TEST_F(RetentionTest, NothingIsPurgedWhereItsAbsenceIsInDoubt) {
    writeHomeFile("Documents/locked/in.txt", "in");
    writeHomeFile("Documents/skipped/s.txt", "s");
    writeHomeFile("Documents/disk.iso", "iso");
    writeHomeFile("Documents/keep.txt", "keep");
    run();
    // Gone from the scan's view for three different reasons, none of which proves the file deleted.
    std::filesystem::remove(home() / "Documents/locked/in.txt");
    run(); // genuinely deleted: marked
    ASSERT_TRUE(fileRow("~/Documents/locked/in.txt")->missingSince);
    RunRequest request = this->request();
    request.skipRoots = {(home() / "Documents/skipped").string()};
    run(request); // not scanned, still on disk: marked too
    ASSERT_TRUE(fileRow("~/Documents/skipped/s.txt")->missingSince);
    std::filesystem::remove(home() / "Documents/disk.iso");
    run(request);
    ASSERT_TRUE(fileRow("~/Documents/disk.iso")->missingSince);

    const FailingScanFileSystem locked = FailingScanFileSystem::locking("locked");
    scanFileSystem_ = &locked;
    rebuildEngine();
    request.settings.customExclusions = {"*.iso"};
    clock_.advance(Seconds(31 * day));
    const RunResult result = run(request);

    EXPECT_TRUE(
        logged("Some folders couldn't be read. Their backups are kept and nothing under them is treated as "
               "deleted."));
    EXPECT_TRUE(fileRow("~/Documents/locked/in.txt")); // under a folder that could not be read
    EXPECT_TRUE(fileRow("~/Documents/disk.iso"));      // excluded now
    ASSERT_TRUE(fileRow("~/Documents/skipped/s.txt")); // still on disk: the mark goes
    EXPECT_FALSE(fileRow("~/Documents/skipped/s.txt")->missingSince);
    EXPECT_EQ(result.record.removed, 0);
    EXPECT_EQ(storedFiles().size(), 4u);
}

TEST_F(RetentionTest, APartlyFailedPurgeKeepsTheFileForTheNextRun) {
    const auto gone = writeHomeFile("Documents/gone.txt", "v1");
    writeHomeFile("Documents/keep.txt", "k");
    run();
    writeHomeFile("Documents/gone.txt", "v2!");
    run();
    std::filesystem::remove(gone);
    run();
    clock_.advance(Seconds(31 * day));
    // The first refusal meets the prune of the old version, the second the purge.
    control().addFault(
        {{"endpoint", "file-delete"}, {"status", 409}, {"body", R"({"message":"Locked."})"}, {"count", 2}});

    run();

    ASSERT_TRUE(fileRow("~/Documents/gone.txt"));
    EXPECT_EQ(index_->versions("~/Documents/gone.txt").size(), 1u);
    EXPECT_EQ(storedFiles().size(), 2u);

    run(); // the fault is used up: the rest goes now
    EXPECT_FALSE(fileRow("~/Documents/gone.txt"));
    EXPECT_EQ(storedFiles().size(), 1u);
}

} // namespace
} // namespace keldra::test
