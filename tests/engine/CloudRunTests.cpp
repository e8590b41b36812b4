// Whole cloud runs against the local portal: what gets uploaded, what the portal ends up holding, and what
// the index remembers between runs.

#include "EngineHarness.h"
#include "core/index/IndexStatements.h"

#include <gtest/gtest.h>
#include <map>

namespace keldra::test {
namespace {

class CloudRunTest : public EngineTest {};

TEST_F(CloudRunTest, FirstRunUploadsEveryFileAndTheCopiesOpenToTheOriginals) {
    writeHomeFile("Documents/a.txt", "alpha");
    writeHomeFile("Documents/deep/er/b.bin", std::string(70'000, 'b'));
    writeHomeFile("Documents/empty", "");

    const RunResult result = run();

    EXPECT_EQ(result.outcome, RunOutcome::completed());
    EXPECT_EQ(result.record.status, RunStatus::succeeded);
    EXPECT_EQ(result.record.scanned, 3);
    EXPECT_EQ(result.record.uploaded, 3);
    EXPECT_EQ(result.record.uploadedBytes, (5 + 16) + (70'000 + 16) + 16);
    EXPECT_TRUE(result.sealedNamesVerified);
    ASSERT_TRUE(result.status);

    const nlohmann::json files = storedFiles();
    ASSERT_EQ(files.size(), 3u);
    std::map<std::string, std::string> byPath;
    for (const auto& file : files) {
        EXPECT_EQ(file.at("object_size").get<std::int64_t>(), file.at("size_bytes").get<std::int64_t>() + 16);
        byPath[openName(file)] = openBody(file);
    }
    EXPECT_EQ(byPath,
              (std::map<std::string, std::string>{{"~/Documents/a.txt", "alpha"},
                                                  {"~/Documents/deep/er/b.bin", std::string(70'000, 'b')},
                                                  {"~/Documents/empty", ""}}));

    const auto row = fileRow("~/Documents/a.txt");
    ASSERT_TRUE(row && row->keldraFileID && row->keyedHash);
    EXPECT_EQ(row->keyedHash->size(), 64u);
    EXPECT_EQ(index_->versions("~/Documents/a.txt").size(), 1u);
    const RunRecord stored = index_->recentRuns(1).at(0);
    EXPECT_EQ(stored.id, result.record.id);
    EXPECT_EQ(stored.status, RunStatus::succeeded);
    EXPECT_EQ(stored.uploaded, 3);
    EXPECT_EQ(stored.uploadedBytes, result.record.uploadedBytes);
    EXPECT_EQ(stored.message, result.record.message);
    EXPECT_EQ(logTexts().back(), result.record.message);
}

TEST_F(CloudRunTest, AnUnchangedTreeUploadsNothingTheSecondTime) {
    writeHomeFile("Documents/a.txt", "alpha");
    writeHomeFile("Documents/b.txt", "beta");
    ASSERT_EQ(run().record.uploaded, 2);
    const std::int64_t ticketsBefore = control().requestCount("upload-url");

    const RunResult second = run();

    EXPECT_EQ(second.record.status, RunStatus::succeeded);
    EXPECT_EQ(second.record.scanned, 2);
    EXPECT_EQ(second.record.uploaded, 0);
    EXPECT_EQ(second.record.message, "Nothing new to upload");
    EXPECT_TRUE(logged("No changes since the last backup."));
    EXPECT_EQ(control().requestCount("upload-url"), ticketsBefore);
    EXPECT_EQ(storedFiles().size(), 2u);
}

TEST_F(CloudRunTest, AChangedFileBecomesANewVersionThatSupersedesTheOld) {
    writeHomeFile("Documents/a.txt", "first");
    run();
    const std::string firstID = *fileRow("~/Documents/a.txt")->keldraFileID;

    writeHomeFile("Documents/a.txt", "second, longer");
    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 1);
    const auto row = fileRow("~/Documents/a.txt");
    ASSERT_TRUE(row && row->keldraFileID);
    EXPECT_NE(*row->keldraFileID, firstID);
    const std::vector<IndexedVersion> versions = index_->versions("~/Documents/a.txt");
    ASSERT_EQ(versions.size(), 2u);
    for (const IndexedVersion& version : versions) {
        EXPECT_EQ(version.supersededAt.has_value(), version.keldraFileID == firstID);
    }
    EXPECT_EQ(storedFiles().size(), 2u);
}

TEST_F(CloudRunTest, ANewTimeWithTheSameContentIsRecordedWithoutUpload) {
    writeHomeFile("Documents/a.txt", "same");
    run();
    const auto before = *fileRow("~/Documents/a.txt");

    writeHomeFile("Documents/a.txt", "same"); // new modification time only
    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 0);
    EXPECT_EQ(result.record.skipped, 1);
    const auto after = *fileRow("~/Documents/a.txt");
    EXPECT_EQ(after.keldraFileID, before.keldraFileID);
    EXPECT_NE(after.mtime, before.mtime);
    EXPECT_EQ(storedFiles().size(), 1u);
}

TEST_F(CloudRunTest, ALostIndexIsRebuiltFromTheListingWithoutUploadingAgain) {
    writeHomeFile("Documents/a.txt", "v1");
    run();
    writeHomeFile("Documents/a.txt", "v2 is here");
    run();
    const std::string currentID = *fileRow("~/Documents/a.txt")->keldraFileID;
    index_->clearFilesAndVersions();

    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 0);
    EXPECT_EQ(result.record.skipped, 1);
    EXPECT_EQ(fileRow("~/Documents/a.txt")->keldraFileID, currentID);
    const std::vector<IndexedVersion> versions = index_->versions("~/Documents/a.txt");
    ASSERT_EQ(versions.size(), 2u);
    // The listing's newest copy is current; the older one was superseded when the newer one was made.
    EXPECT_EQ(versions[0].keldraFileID, currentID);
    EXPECT_FALSE(versions[0].supersededAt);
    EXPECT_EQ(versions[1].supersededAt, versions[0].createdAt);
}

TEST_F(CloudRunTest, DetectsChangesBySizeAndTimeWithinAMillisecond) {
    const auto path = writeHomeFile("Documents/a.txt", "content");
    run();
    const IndexedFile row = *fileRow("~/Documents/a.txt");
    struct Case {
        double mtimeShift;
        bool dropID;
        bool candidate;
    };
    for (const Case c : {Case{0.0009, false, false}, Case{0.0011, false, true}, Case{0.0, true, true}}) {
        IndexedFile changed = row;
        changed.mtime = row.mtime + c.mtimeShift;
        if (c.dropID) {
            changed.keldraFileID.reset();
        }
        index_->upsertFile(changed);
        const RunResult result = run();
        // A candidate with the same content is recorded without upload (skipped); others are not looked at.
        EXPECT_EQ(result.record.skipped, c.candidate ? 1 : 0) << c.mtimeShift << " " << c.dropID;
        EXPECT_EQ(result.record.uploaded, 0);
    }
}

TEST_F(CloudRunTest, OverlappingSourcesCountAFileOnce) {
    writeHomeFile("Documents/inner/a.txt", "a");
    RunRequest request = this->request();
    request.sources.push_back(folderSource("Documents/inner", "inner"));

    const RunResult result = run(request);

    EXPECT_EQ(result.record.scanned, 1);
    EXPECT_EQ(result.record.uploaded, 1);
}

TEST_F(CloudRunTest, DeletedFilesAreMarkedOnceAndKeptUntilTheGracePeriod) {
    writeHomeFile("Documents/keep.txt", "keep");
    const auto gone = writeHomeFile("Documents/gone.txt", "gone");
    run();
    std::filesystem::remove(gone);

    run();
    EXPECT_TRUE(
        logged("1 files were deleted on this computer; their backups are kept in the Keldra for 30 days."));
    const auto marked = fileRow("~/Documents/gone.txt");
    ASSERT_TRUE(marked && marked->missingSince);

    clock_.advance(Seconds(3600));
    const RunResult again = run();
    EXPECT_EQ(fileRow("~/Documents/gone.txt")->missingSince, marked->missingSince); // keeps its first mark
    EXPECT_FALSE(
        logged("1 files were deleted on this computer; their backups are kept in the Keldra for 30 days."));
    EXPECT_EQ(again.record.removed, 0);
    EXPECT_EQ(storedFiles().size(), 2u);

    // Back on disk with the same content: the mark goes.
    writeHomeFile("Documents/gone.txt", "gone");
    run();
    EXPECT_FALSE(fileRow("~/Documents/gone.txt")->missingSince);
}

TEST_F(CloudRunTest, AnEmptiedSourceWithBackupsIsSkippedNotTreatedAsDeleted) {
    const auto only = writeHomeFile("Documents/a.txt", "a");
    run();
    std::filesystem::remove(only);

    const RunResult result = run();

    EXPECT_TRUE(logged("~/Documents looks empty. Skipped; nothing in the Keldra is removed."));
    ASSERT_TRUE(result.unavailableSources.contains("docs"));
    EXPECT_EQ(result.unavailableSources.at("docs"), BackupSource::Availability::missing());
    EXPECT_FALSE(fileRow("~/Documents/a.txt")->missingSince);
    EXPECT_EQ(result.record.status, RunStatus::succeeded);
}

TEST_F(CloudRunTest, UnavailableSourcesAreSkippedWithTheirReason) {
    writeHomeFile("Documents/a.txt", "a");
    RunRequest request = this->request();
    request.sources.push_back(folderSource("Nowhere", "nowhere"));

    const RunResult result = run(request);

    EXPECT_TRUE(logged("~/Nowhere wasn't found. Skipped; nothing in the Keldra is removed."));
    EXPECT_EQ(result.unavailableSources.at("nowhere"), BackupSource::Availability::missing());
    EXPECT_EQ(result.record.uploaded, 1);
}

TEST_F(CloudRunTest, AFileExcludedAfterItsBackupIsNotTreatedAsDeleted) {
    writeHomeFile("Documents/keep.txt", "k");
    writeHomeFile("Documents/disk.iso", "iso");
    run();

    RunRequest request = this->request();
    request.settings.customExclusions = {" *.iso "};
    run(request);

    const auto row = fileRow("~/Documents/disk.iso");
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->missingSince);
}

TEST_F(CloudRunTest, ProgressMovesThroughThePhasesInOrder) {
    writeHomeFile("Documents/a.txt", "a");
    writeHomeFile("Documents/b.txt", "bb");
    run();

    std::vector<RunPhase> phases;
    for (const RunProgress& progress : progressEvents()) {
        if (phases.empty() || phases.back() != progress.phase) {
            phases.push_back(progress.phase);
        }
    }
    EXPECT_EQ(phases, (std::vector<RunPhase>{RunPhase::preparing, RunPhase::checking, RunPhase::scanning,
                                             RunPhase::uploading, RunPhase::cleaning}));
    const auto progress = progressEvents();
    const RunProgress lastUpload =
        *std::find_if(progress.rbegin(), progress.rend(),
                      [](const RunProgress& p) { return p.phase == RunPhase::uploading; });
    EXPECT_EQ(lastUpload.filesTotal, 2);
    EXPECT_EQ(lastUpload.filesDone, 2);
    EXPECT_EQ(lastUpload.bytesTotal, 3);
    EXPECT_EQ(lastUpload.bytesDone, 3);
}

TEST_F(CloudRunTest, ASingleFileSourceThatIsALinkIsBackedUpWhereItLeads) {
    const auto target = writeHomeFile("Elsewhere/notes.txt", "the notes");
    std::filesystem::create_symlink(target, home() / "notes-link");
    RunRequest fileRequest = request();
    BackupSource source = folderSource("notes-link", "notes");
    source.isFile = true;
    fileRequest.sources = {source};

    const RunResult result = run(fileRequest);

    EXPECT_EQ(result.outcome, RunOutcome::completed());
    EXPECT_EQ(result.record.uploaded, 1);
    const auto row = fileRow("~/notes-link");
    ASSERT_TRUE(row && row->keldraFileID);
    ASSERT_EQ(storedFiles().size(), 1u);
    EXPECT_EQ(openBody(storedFiles()[0]), "the notes");
}

} // namespace
} // namespace keldra::test
