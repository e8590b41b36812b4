#include "app/model/RunNotifications.h"
#include "core/events/NumberFormat.h"
#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <system_error>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelOutcome : public RunFixture {
protected:
    Notice lastNotice() const {
        const auto posted = notifier.posted();
        if (posted.empty()) {
            return {};
        }
        return {posted.back().identifier, posted.back().title, posted.back().body};
    }
    // A second client of the account, for changes made elsewhere.
    KeldraAPI& portalClient() {
        if (!client_) {
            client_ = std::make_unique<KeldraAPI>(clock, sleeper, baseUrl());
            client_->setToken(control().issueToken(email));
        }
        return *client_;
    }

private:
    std::unique_ptr<KeldraAPI> client_;
};

// A drive with no room left: every object write fails as a full disk does.
class FullDriveFileSystem final : public RealDriveFileSystem {
public:
    LocalFormat::WriteResult writeObject(const std::filesystem::path&, std::int64_t,
                                         const std::filesystem::path&, std::string_view, const KeldraKey&,
                                         const LocalFormat::MetadataBuilder&,
                                         const LocalFormat::ChunkObserver&, const CancelToken&,
                                         LocalFormat::ChunkBufferPool&) const override {
        throw std::system_error(ENOSPC, std::generic_category(), "test fault");
    }
};

} // namespace

TEST_F(AppModelOutcome, CloudOutcomesOfRealRunsReachTheUser) {
    writeHomeFile("a.txt", "alpha");
    writeHomeFile("b.bin", std::string((1 << 20) + 1, 'b'));
    AppModel& m = ready();

    // A file the plan refuses.
    control().updateAccount({{"email", email}, {"max_file_size_mb", 1}});
    runAndWait(m);
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::partial);
    EXPECT_EQ(lastNotice(), runNotice::runFailures(1));
    EXPECT_EQ(lastNotice().body, "1 files couldn't be backed up. Open Orlivane Keldra to see why.");
    EXPECT_FALSE(m.lastAttemptFailed());
    control().updateAccount({{"email", email}, {"max_file_size_mb", 100}});

    // The listing fails with a server error.
    control().addFault({{"endpoint", "files"}, {"status", 503}, {"count", -1}});
    control().addFault({{"endpoint", "files-all"}, {"status", 503}, {"count", -1}});
    runAndWait(m);
    control().clearFaults();
    EXPECT_EQ(lastNotice().identifier, "run-failed");
    EXPECT_EQ(lastNotice().title, "Backup didn't finish");
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(lastNotice().body, m.lastRun()->message.value_or("?"));
    EXPECT_TRUE(m.lastAttemptFailed());
    EXPECT_TRUE(metaBecomes(m, "lastAttemptFailed", "1"));

    // A suspended Keldra holds backups.
    control().updateAccount({{"email", email}, {"suspended", true}});
    runAndWait(m);
    ASSERT_TRUE(m.block());
    EXPECT_TRUE(m.block()->is<BlockReason::Suspended>());
    EXPECT_EQ(lastNotice().identifier, "suspended");
    EXPECT_TRUE(m.lastAttemptFailed());
    control().updateAccount({{"email", email}, {"suspended", false}});
    AppModelTestAccess::setBlock(m, std::nullopt);

    // A good run clears the failure mark (deleted, never "0").
    runAndWait(m);
    EXPECT_FALSE(m.lastAttemptFailed());
    EXPECT_TRUE(metaBecomes(m, "lastAttemptFailed", std::nullopt));
    EXPECT_TRUE(metaBecomes(m, "sealedNamesVerified", "1"));
}

TEST_F(AppModelOutcome, StorageNearlyFullAndFullAreToldAfterTheirRuns) {
    writeHomeFile("a.txt", std::string(1000, 'a'));
    AppModel& m = ready();
    runAndWait(m);
    ASSERT_TRUE(m.keldraStatus());
    const std::int64_t used = m.keldraStatus()->usedBytes.value;
    ASSERT_GT(used, 0);

    // 90 %: the run completes and the notice names the share.
    control().updateAccount({{"email", email}, {"quota_bytes", used * 10 / 9}});
    runAndWait(m);
    EXPECT_EQ(lastNotice(), runNotice::storage(90));
    EXPECT_EQ(lastNotice().title, "Keldra storage is 90% full");

    // Past the quota: a new file is refused, the run tells storage is full.
    control().updateAccount({{"email", email}, {"quota_bytes", used}});
    writeHomeFile("b.txt", std::string(1000, 'b'));
    runAndWait(m);
    EXPECT_TRUE(m.storageFull());
    EXPECT_EQ(notifier.count("storage-full"), 1u);
    EXPECT_EQ(lastNotice(), runNotice::storageFull());
}

TEST_F(AppModelOutcome, AnotherKeyLocksAndAMissingVerifierTwiceSendsBackToSetUp) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    // The passphrase was changed elsewhere: this key no longer opens the verifier.
    const KeldraKey mine = *m.keldraKey();
    m.useKey(otherKey(), false);
    runAndWait(m);
    EXPECT_EQ(lastNotice(), runNotice::keyMismatch());
    EXPECT_EQ(m.phase(), AppPhase::unlock);
    EXPECT_FALSE(m.keldraKey());

    m.useKey(mine, false);
    ASSERT_EQ(m.phase(), AppPhase::ready);
    const nlohmann::json none = {
        {"endpoint", "verifier-get"}, {"status", 200}, {"body", {{"data", nullptr}}}};
    control().addFault(none);
    runAndWait(m);
    EXPECT_TRUE(m.lastAttemptFailed());
    EXPECT_EQ(m.verifierAbsentStreak(), 1);
    EXPECT_EQ(m.phase(), AppPhase::ready) << "once may be a glitch";
    EXPECT_EQ(notifier.count("verifier-missing"), 0u);

    control().addFault(none);
    runAndWait(m);
    EXPECT_EQ(lastNotice(), runNotice::verifierMissing());
    EXPECT_EQ(m.verifierAbsentStreak(), 0);
    EXPECT_EQ(m.verifierState(), VerifierState::absent());
    EXPECT_FALSE(m.keldraKey());
    EXPECT_EQ(m.phase(), AppPhase::setup);
    EXPECT_FALSE(m.settings().setupComplete);
    EXPECT_FALSE(BackupSettings::load(*defaults, scopeKey(email)).setupComplete);
}

TEST_F(AppModelOutcome, ADeviceFolderDeletedOnThePortalIsMadeAgainAndBackedUpAtOnce) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    runAndWait(m);
    const std::string oldFolder = *m.settings().deviceFolderID;
    control().deleteFolder(email, std::stoll(oldFolder));
    m.setPaused(true);

    runAndWait(m);
    // The outcome starts a new folder and a "Manual" run of its own.
    ASSERT_TRUE(runUntil([&] {
        return m.settings().deviceFolderID && *m.settings().deviceFolderID != oldFolder && !m.isRunning() &&
               m.lastRun() && m.lastRun()->status == RunStatus::succeeded;
    }));
    EXPECT_FALSE(m.pausedByUser());
    EXPECT_EQ(m.settings().deviceName, "Computer") << "the deleted folder's name is free again";
    EXPECT_EQ(m.lastRun()->uploaded, 1) << "everything again, into the new folder";
}

TEST_F(AppModelOutcome, FilesMissingFromTheKeldraPauseUntilTheUserApproves) {
    for (int i = 0; i < 24; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    runAndWait(m);
    // Files deleted on the portal behind the index's back.
    for (const auto& file : control().files(email)) {
        portalClient().deleteFile(FlexID(file.at("id").get<std::int64_t>()));
    }
    ASSERT_TRUE(control().files(email).empty()) << control().files(email).dump().substr(0, 600);
    runAndWait(m);
    ASSERT_TRUE(m.review()) << m.lastRun()->message.value_or("");
    EXPECT_EQ(m.review()->kind, MassChangeReview::Kind::missingFromKeldra);
    EXPECT_EQ(m.review()->removed, 24);
    EXPECT_EQ(lastNotice(), runNotice::keldraMismatch());

    m.approveReview();
    EXPECT_FALSE(m.review());
    ASSERT_TRUE(runUntil([&] { return !m.isRunning(); }));
    const auto lines = logTexts(m);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Backup started (manual (reviewed))."), lines.end());
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->trigger, "Manual (reviewed)");
    EXPECT_EQ(m.lastRun()->uploaded, 24);
}

TEST_F(AppModelOutcome, AMassChangePausesUntilTheUserApprovesIt) {
    for (int i = 0; i < 200; ++i) {
        writeHomeFile("many/f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    runAndWait(m);
    ASSERT_EQ(m.lastRun()->uploaded, 200);
    for (int i = 0; i < 80; ++i) {
        std::filesystem::remove(home() / ("many/f" + std::to_string(i) + ".txt"));
    }
    runAndWait(m);
    ASSERT_TRUE(m.review());
    EXPECT_EQ(*m.review(), (MassChangeReview{MassChangeReview::Kind::localChanges, 0, 80, 200}));
    EXPECT_EQ(lastNotice(), runNotice::massChange());
    EXPECT_EQ(m.lastRun()->status, RunStatus::paused);

    m.approveReview();
    ASSERT_TRUE(runUntil([&] { return !m.isRunning(); }));
    EXPECT_FALSE(m.review());
    EXPECT_EQ(m.lastRun()->status, RunStatus::succeeded);
}

TEST_F(AppModelOutcome, TheCatalogueTextsAndTheirGates) {
    AppModel& m = ready();
    std::locale::global(std::locale::classic());
    RunResult partial;
    partial.record.startedAt = clock.now();
    partial.outcome = RunOutcome::completedWithFailures(1234);
    struct Case {
        const char* name;
        std::int64_t used;
        std::int64_t quota;
        std::optional<int> percent;
    };
    for (const Case& c : {Case{"exactly 90 %", 9, 10, 90}, Case{"just below", 899, 1000, std::nullopt},
                          Case{"over the quota", 15, 10, 100}, Case{"no quota", 5, 0, std::nullopt}}) {
        SCOPED_TRACE(c.name);
        KeldraStatus status;
        status.usedBytes.value = c.used;
        status.quotaBytes.value = c.quota;
        partial.status = status;
        const std::size_t before = notifier.count("storage");
        m.applyCloudResult(partial);
        EXPECT_EQ(notifier.count("storage") - before, c.percent ? 1u : 0u);
        if (c.percent) {
            EXPECT_EQ(lastNotice(), runNotice::storage(*c.percent));
        }
    }
    EXPECT_EQ(runNotice::runFailures(1234).body,
              formatCount(1234) + " files couldn't be backed up. Open Orlivane Keldra to see why.");
    EXPECT_EQ(formatCount(1234, std::locale("C")), "1234");

    // Both gates off: nothing about failures or storage.
    BackupSettings quiet = m.settings();
    quiet.notifyFailures = false;
    quiet.notifyStorage = false;
    AppModelTestAccess::setSettings(m, quiet);
    AppModelTestAccess::setStorageFull(m, true);
    const std::size_t before = notifier.posted().size();
    m.applyCloudResult(partial);
    RunResult failed = partial;
    failed.outcome = RunOutcome::failed("The listing failed.");
    m.applyCloudResult(failed);
    EXPECT_EQ(notifier.posted().size(), before);

    // A cancelled run still rewrites the failure mark from the unchanged flag and tells a full storage.
    AppModelTestAccess::setSettings(m, readySettings());
    RunResult cancelled = partial;
    cancelled.outcome = RunOutcome::cancelled();
    m.applyCloudResult(cancelled);
    EXPECT_EQ(lastNotice(), runNotice::storageFull());
    EXPECT_TRUE(metaBecomes(m, "lastAttemptFailed", "1"));
}

TEST_F(AppModelOutcome, DriveOutcomesAreToldOncePerDriveWithItsName) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    const LocalDestination drive = addDrive(m);
    runAndWait(m, "Manual", false, false, false, std::vector<std::string>{drive.id});
    ASSERT_TRUE(m.driveStates().count(drive.id));
    EXPECT_EQ(m.driveStates().at(drive.id).problem, std::nullopt);
    ASSERT_TRUE(m.localIndexes().count(drive.id));
    EXPECT_TRUE(m.localIndexes().at(drive.id)->meta("lastAttempt"));

    // The drive was written with another passphrase.
    m.useKey(otherKey(), false);
    runAndWait(m, "Manual", false, false, false, std::vector<std::string>{drive.id});
    EXPECT_EQ(m.driveStates().at(drive.id).problem,
              "This drive's backup was made with a different Keldra passphrase.");
    EXPECT_EQ(lastNotice(), runNotice::driveKey(drive.id, "Studio Disk"));
    EXPECT_EQ(lastNotice().title, "Studio Disk wasn't backed up");
    const std::size_t posted = notifier.posted().size();
    runAndWait(m, "Manual", false, false, false, std::vector<std::string>{drive.id});
    EXPECT_EQ(notifier.posted().size(), posted) << "once until the drive is unmounted";
    EXPECT_TRUE(runUntil([&] { return m.localIndexes().at(drive.id)->meta("lastAttemptFailed") == "1"; }));
    // The end-of-run refresh reads it after it was written, so the failed drive waits for its retry floor.
    EXPECT_TRUE(runUntil([&] { return m.driveStates().at(drive.id).lastFailed; }));

    // Texts of results the engines rarely give.
    LocalRunResult review;
    review.destinationID = drive.id;
    review.outcome = LocalOutcome::massChangeReview(1234, 5, 2000);
    m.applyDriveResult(review);
    EXPECT_TRUE(m.driveStates().at(drive.id).needsReview);
    EXPECT_EQ(m.driveStates().at(drive.id).problem,
              formatCount(1234) + " files changed and 5 disappeared at once. Paused for review.");
    EXPECT_EQ(lastNotice(), runNotice::driveReview(drive.id, "Studio Disk"));

    LocalRunResult gone;
    gone.destinationID = "REMOVED";
    gone.outcome = LocalOutcome::completed();
    gone.driveFull = true;
    m.applyDriveResult(gone);
    EXPECT_EQ(lastNotice(), runNotice::driveFull("REMOVED", "Backup drive"));
    EXPECT_EQ(m.driveStates().at("REMOVED").problem, "The drive is full. Some files weren't copied.");
}

TEST_F(AppModelOutcome, AFullDriveIsToldWithItsProblem) {
    writeHomeFile("a.txt", "alpha");
    FullDriveFileSystem full;
    AppServices withFullDrive = services();
    withFullDrive.driveFileSystem = &full;
    AppModel& m = ready(withFullDrive);
    const LocalDestination drive = addDrive(m, "D2", "Travel");
    runAndWait(m, "Manual", false, false, false, std::vector<std::string>{drive.id});
    ASSERT_TRUE(m.driveStates().count(drive.id));
    EXPECT_EQ(m.driveStates().at(drive.id).problem, "The drive is full. Some files weren't copied.");
    EXPECT_EQ(notifier.count("drive-full-D2"), 1u);
    EXPECT_EQ(notifier.count("drive-failures-D2"), 1u);
    EXPECT_EQ(lastNotice().title, "Travel is full");
}
