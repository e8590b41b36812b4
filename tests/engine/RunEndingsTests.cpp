// Every way a run ends: its status, outcome, message, closing log line and what the index holds afterwards.

#include "EngineHarness.h"
#include "core/codec/Base64.h"
#include "core/events/ByteCount.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace keldra::test {
namespace {

class RunEndingTest : public EngineTest {
protected:
    // Index rows for paths that do not exist on disk, each claiming a copy the listing does not have.
    void addPhantomRows(int count, const std::string& sourceID = "elsewhere") {
        for (int i = 0; i < count; ++i) {
            index_->upsertFile(IndexedFile{"~/Phantom/" + std::to_string(i), sourceID, 1, 1.0, "hash",
                                           "phantom-" + std::to_string(i), 1.0, std::nullopt});
        }
    }
    // A stored file per path and an index row pointing at it, matching the file on disk.
    void addProtectedFiles(int count, const std::string& folder, const std::string& sourceID = "docs") {
        for (int i = 0; i < count; ++i) {
            const std::string relative = folder + "/f" + std::to_string(i) + ".dat";
            const auto path = writeHomeFile(relative, "x");
            const nlohmann::json stored =
                control().seedFile({{"email", email_},
                                    {"folder_id", std::stoll(deviceFolder_.raw)},
                                    {"encrypted_name", "seeded"},
                                    {"body_base64", base64Encode(toBytes(std::string(17, 'z')))}});
            struct stat info {};
            ::stat(path.c_str(), &info);
            const double mtime =
                static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
            index_->upsertFile(IndexedFile{"~/" + relative, sourceID, 1, mtime, "hash",
                                           FlexID::fromJson(stored.at("id")).raw, 1.0, std::nullopt});
        }
    }
    void expectEnding(const RunResult& result, RunStatus status, const RunOutcome& outcome,
                      const std::string& message) {
        EXPECT_EQ(result.record.status, status);
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.record.message, message);
        ASSERT_FALSE(logTexts().empty());
        EXPECT_EQ(logTexts().back(), message);
        const RunRecord stored = index_->recentRuns(1).at(0);
        EXPECT_EQ(stored.status, status);
        EXPECT_EQ(stored.message, message);
        EXPECT_TRUE(stored.finishedAt);
    }
};

TEST_F(RunEndingTest, NoVerifierBlocksTheRunBeforeAnyStatus) {
    control().reset();
    control().createAccount({{"email", email_}});
    api_->setToken(control().issueToken(email_));
    deviceFolder_ = api_->createFolder("device", std::nullopt).id;

    const RunResult result = run();

    expectEnding(result, RunStatus::blocked, RunOutcome::verifierMissing(),
                 "Your Keldra has no passphrase set any more. Set one up again to continue.");
    EXPECT_FALSE(result.status);
}

TEST_F(RunEndingTest, AnotherKeyIsAKeyMismatch) {
    RunRequest request = this->request();
    request.key = otherKey();

    const RunResult result = run(request);

    expectEnding(result, RunStatus::blocked, RunOutcome::keyMismatch(),
                 "Your Keldra passphrase has changed. Unlock with the current passphrase to continue.");
    EXPECT_FALSE(result.status);
}

TEST_F(RunEndingTest, AVanishedDeviceFolderIsReportedOnlyWhenTheBackupsFolderProvesIt) {
    writeHomeFile("Documents/a.txt", "a");
    control().deleteFolder(email_, std::stoll(deviceFolder_.raw));

    RunResult result = run();
    expectEnding(result, RunStatus::failed, RunOutcome::deviceFolderMissing(),
                 "This computer's backup folder is no longer in the Keldra. A new one is being created.");
    EXPECT_EQ(result.record.uploaded, 0);

    // Without the backups folder nothing proves it: the listing failure is a plain failure.
    RunRequest request = this->request();
    request.backupsFolderID.reset();
    result = run(request);
    const std::string couldNotList = "Couldn't list this computer's backup folder. The next run tries again.";
    expectEnding(result, RunStatus::failed, RunOutcome::failed(couldNotList), couldNotList);
}

TEST_F(RunEndingTest, ANotFoundListingWhileTheFolderIsStillListedIsAFailure) {
    control().addFault({{"endpoint", "files-all"}, {"status", 404}, {"body", R"({"message":"Not here"})"}});
    control().addFault(
        {{"endpoint", "files"}, {"status", 404}, {"body", R"({"message":"Not here"})"}, {"count", 1}});

    const RunResult result = run();

    const std::string couldNotList = "Couldn't list this computer's backup folder. The next run tries again.";
    expectEnding(result, RunStatus::failed, RunOutcome::failed(couldNotList), couldNotList);
}

TEST_F(RunEndingTest, TheMismatchGuardPausesFromTwentyRowsWhenHalfAreMissing) {
    // 19 rows all missing: below the guard, reconciled.
    addPhantomRows(19);
    RunResult result = run();
    EXPECT_EQ(result.record.status, RunStatus::succeeded);
    EXPECT_TRUE(logged("19 files are no longer in the Keldra. They'll upload again."));
    EXPECT_FALSE(fileRow("~/Phantom/0")->keldraFileID);

    // 20 rows with exactly 10 missing pauses, and changes nothing.
    index_->clearFilesAndVersions();
    addProtectedFiles(10, "Documents");
    addPhantomRows(10);
    result = run();
    expectEnding(result, RunStatus::paused, RunOutcome::keldraMismatch(10, 20),
                 "10 of 20 backed-up files aren't in the Keldra listing. Paused for review.");
    EXPECT_TRUE(fileRow("~/Phantom/0")->keldraFileID);
    ASSERT_TRUE(result.status);

    // The user's review lets the next run reconcile.
    RunRequest reviewed = request();
    reviewed.overrideKeldraMismatch = true;
    result = run(reviewed);
    EXPECT_EQ(result.record.status, RunStatus::succeeded);
    EXPECT_FALSE(fileRow("~/Phantom/0")->keldraFileID);
}

TEST_F(RunEndingTest, TheMassChangeGuardPausesAtFortyPercentOfTwoHundred) {
    addProtectedFiles(200, "Documents");
    // 40 changed (new size) and 40 removed: 80 of 200.
    for (int i = 0; i < 40; ++i) {
        writeHomeFile("Documents/f" + std::to_string(i) + ".dat", "changed");
    }
    for (int i = 40; i < 80; ++i) {
        std::filesystem::remove(home() / ("Documents/f" + std::to_string(i) + ".dat"));
    }
    const std::int64_t ticketsBefore = control().requestCount("upload-url");

    RunResult result = run();

    expectEnding(result, RunStatus::paused, RunOutcome::massChangeReview(40, 40, 200),
                 "40 files changed and 40 removed since the last backup. Paused for review.");
    EXPECT_FALSE(fileRow("~/Documents/f40.dat")->missingSince);
    EXPECT_EQ(control().requestCount("upload-url"), ticketsBefore);

    // One fewer change stays below the line.
    std::filesystem::remove(home() / "Documents/f39.dat");
    writeHomeFile("Documents/f39.dat", "x");
    index_->upsertFile([&] {
        IndexedFile row = *fileRow("~/Documents/f39.dat");
        struct stat info {};
        ::stat((home() / "Documents/f39.dat").c_str(), &info);
        row.mtime =
            static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
        return row;
    }());
    result = run();
    EXPECT_EQ(result.record.status, RunStatus::succeeded) << *result.record.message;
    EXPECT_EQ(result.record.uploaded, 39);
    EXPECT_TRUE(fileRow("~/Documents/f40.dat")->missingSince);
}

TEST_F(RunEndingTest, TheMassChangeGuardNeedsTwoHundredProtectedFilesAndCanBeOverridden) {
    addProtectedFiles(199, "Documents");
    writeHomeFile("Documents/unprotected.txt", "u");
    for (int i = 0; i < 199; ++i) {
        std::filesystem::remove(home() / ("Documents/f" + std::to_string(i) + ".dat"));
    }
    RunResult result = run();
    EXPECT_EQ(result.record.status, RunStatus::succeeded);
    EXPECT_TRUE(fileRow("~/Documents/f0.dat")->missingSince);

    addProtectedFiles(200, "Documents");
    for (int i = 0; i < 200; ++i) {
        std::filesystem::remove(home() / ("Documents/f" + std::to_string(i) + ".dat"));
    }
    result = run();
    EXPECT_EQ(result.outcome, RunOutcome::massChangeReview(0, 200, 201)); // the extra file was uploaded

    RunRequest reviewed = request();
    reviewed.overrideMassChangeGuard = true;
    EXPECT_EQ(run(reviewed).record.status, RunStatus::succeeded);

    RunRequest guardOff = request();
    guardOff.settings.massChangeGuard = false;
    addProtectedFiles(200, "Other", "other");
    guardOff.sources = {folderSource("Other", "other")};
    for (int i = 0; i < 200; ++i) {
        std::filesystem::remove(home() / ("Other/f" + std::to_string(i) + ".dat"));
    }
    writeHomeFile("Other/unprotected.txt", "u");
    EXPECT_EQ(run(guardOff).record.status, RunStatus::succeeded);
}

TEST_F(RunEndingTest, PortalRefusalsBlockTheRunWithTheirReason) {
    struct Case {
        int status;
        std::string body;
        BlockReason reason;
    };
    const std::vector<Case> cases = {
        {401, R"({"code":"token_expired"})", BlockReason::signedOut()},
        {403, R"({"code":"keldra_suspended"})", BlockReason::suspended()},
        {403, R"({"has_subscription":false})", BlockReason::noPlan()},
        {403, R"({"code":"forbidden"})", BlockReason::accountDisabled()},
        {403, R"({"message":"Not from here."})", BlockReason::accessDenied("Not from here.")},
        {403, R"({"code":"keldra_geo_blocked","geo":"destroyed"})", BlockReason::geoBlocked(true)},
    };
    for (const Case& c : cases) {
        control().clearFaults();
        control().addFault({{"endpoint", "status"}, {"status", c.status}, {"body", c.body}});
        const RunResult result = run();
        expectEnding(result, RunStatus::blocked, RunOutcome::blocked(c.reason), c.reason.message());
        EXPECT_FALSE(result.status);
    }
}

TEST_F(RunEndingTest, OtherPortalErrorsFailTheRunWithTheirText) {
    control().addFault(
        {{"endpoint", "verifier-get"}, {"status", 500}, {"body", R"({"message":"Database down."})"}});
    RunResult result = run();
    expectEnding(result, RunStatus::failed, RunOutcome::failed("Database down."), "Database down.");

    control().clearFaults();
    control().addFault({{"endpoint", "status"}, {"status", 200}, {"body", R"({"no":"figures"})"}});
    result = run();
    EXPECT_EQ(result.record.status, RunStatus::failed);
    ASSERT_TRUE(result.outcome.get<RunOutcome::Failed>());
    EXPECT_NE(result.record.message->find("Unexpected response from the portal"), std::string::npos);
}

TEST_F(RunEndingTest, CancellationStopsTheRunWhereverItIs) {
    const std::string stopped = "Stopped. The next run picks up where this one stopped.";
    for (int i = 0; i < 6; ++i) {
        writeHomeFile("Documents/f" + std::to_string(i) + ".txt", std::to_string(i));
    }
    for (const RunPhase phase : {RunPhase::preparing, RunPhase::scanning, RunPhase::uploading}) {
        CancelSource source;
        int filesSeen = 0;
        events_.clear();
        const RunResult result = engine_->run(
            request(),
            [&](const EngineEvent& event) {
                events_.push_back(event);
                const auto* progress = event.get<EngineEvent::Progress>();
                if (progress && progress->progress.phase == phase &&
                    (phase != RunPhase::uploading || ++filesSeen == 6)) {
                    source.request_stop();
                }
            },
            source.get_token());
        expectEnding(result, RunStatus::cancelled, RunOutcome::cancelled(), stopped);
    }
    // Files finished before the stop keep their rows; the next run picks up the rest.
    const RunResult next = run();
    EXPECT_EQ(next.record.status, RunStatus::succeeded);
    EXPECT_EQ(next.record.uploaded + next.record.skipped, 6 - 2);
    EXPECT_EQ(storedFiles().size(), 6u);
}

TEST_F(RunEndingTest, AStopDuringTheLastStepsStillEndsStopped) {
    const std::string stopped = "Stopped. The next run picks up where this one stopped.";
    writeHomeFile("Documents/a.txt", "alpha");

    // While the final status is being fetched.
    control().addFault({{"endpoint", "status"}, {"skip", 1}, {"latency_ms", 3000}});
    CancelSource source;
    RunResult result = engine_->run(
        request(),
        [&](const EngineEvent& event) {
            events_.push_back(event);
            const auto* progress = event.get<EngineEvent::Progress>();
            if (progress && progress->progress.phase == RunPhase::cleaning) {
                source.request_stop();
            }
        },
        source.get_token());
    expectEnding(result, RunStatus::cancelled, RunOutcome::cancelled(), stopped);
    control().clearFaults();

    // While a copy whose sealed name the portal altered is being removed again.
    writeHomeFile("Documents/a.txt", "alpha two");
    control().addFault({{"endpoint", "download-url"}, {"mangle_name", "alter"}, {"count", -1}});
    control().addFault({{"endpoint", "file-delete"}, {"latency_ms", 5000}});
    CancelSource second;
    std::thread stopper([&] {
        while (control().requestCount("download-url") < 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        second.request_stop();
    });
    events_.clear();
    result = engine_->run(
        request(), [&](const EngineEvent& event) { events_.push_back(event); }, second.get_token());
    stopper.join();
    expectEnding(result, RunStatus::cancelled, RunOutcome::cancelled(), stopped);
    // The copy with the altered name is never taken for the file's backup.
    EXPECT_FALSE(fileRow("~/Documents/a.txt")->keldraFileID);
}

TEST_F(RunEndingTest, FileFailuresMakeThePartialEnding) {
    control().updateAccount({{"email", email_}, {"max_file_size_mb", 1}});
    writeHomeFile("Documents/small.txt", "ok");
    writeHomeFile("Documents/large.bin", std::string((1 << 20) + 1, 'L'));

    const RunResult result = run();

    const std::string summary = BackupEngine::summaryText(result.record);
    expectEnding(result, RunStatus::partial, RunOutcome::completedWithFailures(1), summary);
    EXPECT_EQ(result.record.uploaded, 1);
    const auto failures = index_->failures(result.record.id);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, "~/Documents/large.bin");
    EXPECT_EQ(failures[0].reason, "Larger than your plan's " + formatByteCount(1 << 20) + " per-file limit.");
}

} // namespace
} // namespace keldra::test
