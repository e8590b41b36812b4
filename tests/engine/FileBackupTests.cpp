// One file's way to the Keldra under the portal's and the storage's faults: links that expire, confirmations
// that went through unseen, full storage, flaky connections, and a portal that does not keep sealed names.

#include "EngineHarness.h"
#include "core/events/ByteCount.h"

#include <fstream>
#include <gtest/gtest.h>

namespace keldra::test {
namespace {

class FileBackupTest : public EngineTest {
protected:
    std::vector<std::string> failureReasons(const RunResult& result) {
        std::vector<std::string> reasons;
        for (const RunFailure& failure : index_->failures(result.record.id)) {
            reasons.push_back(failure.reason);
        }
        return reasons;
    }
    void writeFiles(int count) {
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Documents/f%02d.txt", i);
            writeHomeFile(name, "file " + std::to_string(i));
        }
    }
};

TEST_F(FileBackupTest, AnExpiredLinkIsReplacedTwiceThenTheFileWaitsForTheNextRun) {
    writeHomeFile("Documents/a.txt", "a");
    control().addFault({{"endpoint", "storage-put"}, {"status", 403}, {"count", 2}});
    RunResult result = run();
    EXPECT_EQ(result.record.uploaded, 1);
    EXPECT_EQ(control().requestCount("upload-url"), 3);

    writeHomeFile("Documents/a.txt", "a, changed");
    control().resetStats();
    control().addFault({{"endpoint", "storage-put"}, {"status", 403}, {"count", 3}});
    result = run();
    EXPECT_EQ(result.record.status, RunStatus::partial);
    EXPECT_EQ(failureReasons(result),
              std::vector<std::string>{"Storage refused the upload. It'll be tried again next run."});
    EXPECT_EQ(control().requestCount("upload-url"), 3);
    EXPECT_EQ(storedFiles().size(), 1u);
}

TEST_F(FileBackupTest, ConfirmationFailuresAreSortedByWhatTheyMean) {
    struct Case {
        nlohmann::json fault;
        std::string reason; // empty: the file ends up backed up
    };
    const std::vector<Case> cases = {
        // Stored, but the answer was lost: the retry hears "already confirmed" and finds the copy by its
        // name.
        {{{"status", 503}, {"after_handler", true}}, ""},
        {{{"status", 409}, {"body", R"({"code":"already_confirmed"})"}},
         "Confirmed, but the portal didn't list it yet. It'll be checked next run."},
        {{{"status", 403}, {"body", R"({"message":"Not this one."})"}},
         "The portal refused this upload (Not this one.). It'll be tried again next run."},
        {{{"status", 422}, {"body", R"({"message":"Name is invalid."})"}},
         "Uploaded but not confirmed (Name is invalid.). It'll be tried again next run."},
    };
    int round = 0;
    for (const Case& c : cases) {
        writeHomeFile("Documents/a.txt", "round " + std::to_string(++round));
        nlohmann::json fault = c.fault;
        fault["endpoint"] = "upload-confirm";
        control().clearFaults();
        control().addFault(fault);
        const RunResult result = run();
        if (c.reason.empty()) {
            EXPECT_EQ(result.record.status, RunStatus::succeeded) << fault.dump();
            EXPECT_EQ(result.record.uploaded, 1);
            EXPECT_TRUE(loggedStart("Confirm: retrying in 2s (")) << fault.dump();
            const auto row = fileRow("~/Documents/a.txt");
            ASSERT_TRUE(row && row->keldraFileID);
            bool listed = false;
            for (const auto& file : storedFiles()) {
                listed = listed || FlexID::fromJson(file.at("id")).raw == *row->keldraFileID;
            }
            EXPECT_TRUE(listed);
        } else {
            EXPECT_EQ(result.record.status, RunStatus::partial) << fault.dump();
            EXPECT_EQ(failureReasons(result), std::vector<std::string>{c.reason});
        }
    }
}

TEST_F(FileBackupTest, FullStorageFailsFilesAndSaysSoOnce) {
    writeHomeFile("Documents/a.txt", "a");
    writeHomeFile("Documents/b.txt", "b");
    control().addFault({{"endpoint", "upload-confirm"},
                        {"status", 422},
                        {"body", R"({"message":"Storage quota exceeded for this account."})"},
                        {"count", -1}});

    const RunResult result = run();

    EXPECT_EQ(result.record.failed, 2);
    EXPECT_EQ(failureReasons(result),
              (std::vector<std::string>(2, "Storage quota exceeded for this account.")));
    EXPECT_EQ(storageFullEvents(), 1);
}

TEST_F(FileBackupTest, TheStorageTestCountsEarlierUploadsOfTheSameRun) {
    // 84 plain bytes + 16 fill a quota of 100 exactly; after that nothing is left for the other file.
    control().updateAccount({{"email", email_}, {"quota_bytes", 100}});
    writeHomeFile("Documents/a.txt", std::string(84, 'a'));
    writeHomeFile("Documents/b.txt", std::string(84, 'b'));

    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 1);
    EXPECT_EQ(failureReasons(result),
              std::vector<std::string>{"Not enough Keldra storage left (" + formatByteCount(0) + " free)."});
    EXPECT_EQ(storageFullEvents(), 1);
}

TEST_F(FileBackupTest, ThePlanLimitCountsMebibytes) {
    control().updateAccount({{"email", email_}, {"max_file_size_mb", 1}});
    writeHomeFile("Documents/exact.bin", std::string(1 << 20, 'e'));
    writeHomeFile("Documents/over.bin", std::string((1 << 20) + 1, 'o'));

    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 1);
    EXPECT_TRUE(fileRow("~/Documents/exact.bin")->keldraFileID);
    EXPECT_EQ(
        failureReasons(result),
        std::vector<std::string>{"Larger than your plan's " + formatByteCount(1 << 20) + " per-file limit."});
}

TEST_F(FileBackupTest, LargeFilesWaitWhenMemoryIsShort) {
    const auto large = home() / "Documents/large.bin";
    std::ofstream(large).close();
    std::filesystem::resize_file(large, 64 << 20); // sparse: costs no disk
    writeHomeFile("Documents/small.txt", "small");
    memory_.bytes = 3ULL * (64 << 20) + (128 << 20); // exactly the need: not enough

    const RunResult result = run();

    EXPECT_EQ(result.record.uploaded, 1); // small files never meet the guard
    EXPECT_EQ(failureReasons(result),
              std::vector<std::string>{
                  "Not enough free memory to encrypt this file right now. It'll be tried again next run."});
}

TEST_F(FileBackupTest, AFileThatChangesWhileReadIsLeftForTheNextRun) {
    const auto path = writeHomeFile("Documents/busy.txt", "before");
    RunRequest request = this->request();
    CancelSource never;
    events_.clear();
    const RunResult result = engine_->run(
        request,
        [&](const EngineEvent& event) {
            events_.push_back(event);
            const auto* progress = event.get<EngineEvent::Progress>();
            if (progress && progress->progress.currentPath == "~/Documents/busy.txt") {
                std::ofstream(path, std::ios::app) << " and more";
            }
        },
        never.get_token());

    EXPECT_EQ(
        failureReasons(result),
        std::vector<std::string>{"Changed while it was being backed up. It'll be tried again next run."});
    EXPECT_EQ(sleeper_.waitSeconds(), std::vector<double>{1.0});
    EXPECT_EQ(run().record.uploaded, 1);
}

TEST_F(FileBackupTest, AnUploadLinkThatIsNotHttpWithAHostIsNeverUsed) {
    for (const char* link : {"https://:443/storage/x", "file:///tmp/x", "/storage/x"}) {
        writeHomeFile("Documents/a.txt", link);
        control().clearFaults();
        control().resetStats();
        const nlohmann::json body = {{"data", {{"upload_url", link}, {"s3_key", "k"}}}};
        control().addFault(
            {{"endpoint", "upload-url"}, {"status", 200}, {"body", body.dump()}, {"count", -1}});

        const RunResult result = run();

        EXPECT_EQ(failureReasons(result),
                  std::vector<std::string>{"The portal returned an invalid upload link."})
            << link;
        EXPECT_EQ(control().requestCount("storage-put"), 0) << link;
    }
}

TEST_F(FileBackupTest, TransientPortalAndStorageErrorsAreRetriedWithGrowingWaits) {
    writeHomeFile("Documents/a.txt", "a");
    control().addFault({{"endpoint", "upload-url"}, {"status", 500}, {"count", 2}});
    control().addFault({{"endpoint", "storage-put"}, {"status", 500}, {"count", 1}});
    control().addFault({{"endpoint", "upload-confirm"}, {"status", 429}, {"retry_after", "1"}, {"count", 1}});

    const RunResult result = run();

    EXPECT_EQ(result.record.status, RunStatus::succeeded);
    EXPECT_TRUE(loggedStart("Upload link: retrying in 2s ("));
    EXPECT_TRUE(loggedStart("Upload link: retrying in 4s ("));
    EXPECT_TRUE(logged("Upload: retrying in 2s (Storage returned an error (500).)"));
}

TEST_F(FileBackupTest, EightConnectionFailuresInARowEndTheRun) {
    writeFiles(10);
    control().addFault({{"endpoint", "storage-put"}, {"status", 500}, {"count", -1}});

    const RunResult result = run();

    const std::string lost =
        "Lost the connection to the Keldra. The next run picks up where this one stopped.";
    EXPECT_EQ(result.record.status, RunStatus::failed);
    EXPECT_EQ(result.outcome, RunOutcome::failed(lost));
    EXPECT_EQ(result.record.failed, 8);
    EXPECT_EQ(index_->failures(result.record.id).size(), 8u);
    EXPECT_EQ(logTexts().back(), lost);
}

TEST_F(FileBackupTest, ASuccessBetweenConnectionFailuresStartsTheCountAgain) {
    writeFiles(16);
    // Seven files fail (five tries each), the eighth goes through, then seven fail again.
    control().addFault({{"endpoint", "storage-put"}, {"status", 500}, {"count", 35}});
    control().addFault({{"endpoint", "storage-put"}, {"status", 500}, {"skip", 1}, {"count", 35}});

    const RunResult result = run();

    EXPECT_EQ(result.record.status, RunStatus::partial);
    EXPECT_EQ(result.record.failed, 14);
    EXPECT_EQ(result.record.uploaded, 2);
}

TEST_F(FileBackupTest, APortalThatAltersSealedNamesBlocksTheRunAndLosesNothing) {
    writeHomeFile("Documents/a.txt", "version one");
    const RunResult first = run();
    ASSERT_EQ(first.record.uploaded, 1);
    const std::string firstID = *fileRow("~/Documents/a.txt")->keldraFileID;

    writeHomeFile("Documents/a.txt", "version two");
    control().addFault({{"endpoint", "download-url"}, {"mangle_name", "alter"}, {"count", -1}});
    const RunResult blocked = run(); // a fresh install: sealed names not verified yet

    EXPECT_EQ(blocked.record.status, RunStatus::blocked);
    EXPECT_EQ(blocked.outcome, RunOutcome::blocked(BlockReason::serverNotReady("encrypted file names")));
    EXPECT_FALSE(blocked.sealedNamesVerified);
    // The new copy is gone again, the first one is untouched, and the file will upload once names are kept.
    const nlohmann::json files = storedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(FlexID::fromJson(files[0].at("id")).raw, firstID);
    EXPECT_EQ(openBody(files[0]), "version one");
    EXPECT_FALSE(fileRow("~/Documents/a.txt")->keldraFileID);

    control().clearFaults();
    const RunResult after = run();
    EXPECT_EQ(after.record.uploaded, 1);
    EXPECT_TRUE(after.sealedNamesVerified);
}

TEST_F(FileBackupTest, LongSealedNamesAreCheckedEvenOnceNamesAreKnownToBeKept) {
    writeHomeFile("Documents/short.txt", "s");
    writeHomeFile("Documents/" + std::string(200, 'n') + ".txt", "long");
    RunRequest request = this->request();
    request.sealedNamesVerified = true;

    const RunResult result = run(request);

    EXPECT_EQ(result.record.uploaded, 2);
    EXPECT_EQ(control().requestCount("download-url"), 1);
}

} // namespace
} // namespace keldra::test
