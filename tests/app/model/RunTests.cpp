#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <set>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelRun : public RunFixture {};

bool hasLine(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.starts_with(prefix); });
}

} // namespace

TEST_F(AppModelRun, ANewUsersFirstManualRunStoresSealedCopiesAndTheNextUploadsNothing) {
    createAccount();
    writeHomeFile("Documents/letter.txt", "Dear Ada,");
    writeHomeFile("Documents/deep/notes.md", std::string(70'000, 'n'));
    AppModel& m = start();
    ASSERT_EQ(m.phase(), AppPhase::signedOut);

    m.setPendingEmail(email);
    m.setPendingPassword(password);
    await(m.signIn());
    ASSERT_EQ(m.phase(), AppPhase::setup);
    EXPECT_EQ(await(m.createPassphrase(passphrase, false)), std::nullopt);
    EXPECT_EQ(m.verifierState(), VerifierState::exists());
    EXPECT_EQ(m.phase(), AppPhase::setup) << "the key is taken in without leaving set-up";
    EXPECT_EQ(await(m.chooseDeviceFolder("  Study  ")), std::nullopt);
    EXPECT_EQ(m.settings().deviceName, "Study");
    await(m.addPickedSources({home() / "Documents"}));
    ASSERT_EQ(m.sources().size(), 1u);
    await(m.finishSetup(true, true));
    EXPECT_TRUE(loginItem.isLoginItemEnabled());
    EXPECT_EQ(m.phase(), AppPhase::ready);
    EXPECT_TRUE(m.settings().setupComplete);
    EXPECT_TRUE(m.isRunning()) << "set-up ends with the first run";
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));

    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::succeeded);
    EXPECT_EQ(m.lastRun()->trigger, "Manual");
    EXPECT_EQ(m.lastRun()->uploaded, 2);
    EXPECT_EQ(m.lastSuccess(), m.lastRun()->startedAt);
    EXPECT_FALSE(m.lastAttemptFailed());
    EXPECT_TRUE(hasLine(logTexts(m), "Backup started (manual)."));
    EXPECT_TRUE(metaBecomes(m, "lastSuccess", metaTimeText(toUnixSeconds(m.lastRun()->startedAt))));
    EXPECT_TRUE(metaBecomes(m, "lastAttemptFailed", std::nullopt));
    EXPECT_TRUE(notifier.posted().empty());

    std::multiset<std::string> bodies;
    for (const auto& file : control().files(email)) {
        bodies.insert(openBody(m, file));
    }
    EXPECT_EQ(bodies, (std::multiset<std::string>{"Dear Ada,", std::string(70'000, 'n')}));

    clock.advance(60s);
    runAndWait(m);
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::succeeded);
    EXPECT_EQ(m.lastRun()->uploaded, 0);
    EXPECT_EQ(control().files(email).size(), 2u);
    EXPECT_EQ(m.lastSuccess(), m.lastRun()->startedAt);
}

TEST_F(AppModelRun, TheGuardsDecideWhichPartsRun) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();

    // Nowhere to back up to: nothing at all happens.
    BackupSettings noFolder = m.settings();
    const BackupSettings withFolder = m.settings();
    noFolder.deviceFolderID.reset();
    AppModelTestAccess::setSettings(m, noFolder);
    m.runBackup("Manual");
    EXPECT_FALSE(m.isRunning());
    EXPECT_FALSE(m.hasRunTask());
    EXPECT_TRUE(m.log().empty());
    AppModelTestAccess::setSettings(m, withFolder);

    const LocalDestination drive = addDrive(m);
    const auto driveRuns = [&] {
        std::vector<std::string> triggers;
        for (const RunRecord& run : m.runs()) {
            if (run.trigger.find("Studio Disk") != std::string::npos) {
                triggers.push_back(run.trigger);
            }
        }
        return triggers;
    };

    // Offline: the hold is shown, only the drive runs, and the cloud's start line is not logged.
    network.pathUpdated(false);
    runAndWait(m);
    ASSERT_TRUE(m.block());
    EXPECT_TRUE(m.block()->is<BlockReason::Offline>());
    EXPECT_TRUE(runUntil([&] { return driveRuns().size() == 1; }));
    EXPECT_EQ(driveRuns().front(), "Manual \u00B7 Studio Disk");
    EXPECT_FALSE(hasLine(logTexts(m), "Backup started ("));
    EXPECT_FALSE(m.lastAttempt());

    // Back online: the hold goes and the cloud runs, logged by its trigger.
    network.pathUpdated(true);
    AppModelTestAccess::setBlock(m, BlockReason::offline());
    runAndWait(m, "Scheduled");
    EXPECT_FALSE(m.block());
    EXPECT_TRUE(hasLine(logTexts(m), "Backup started (scheduled)."));
    EXPECT_EQ(m.lastAttempt(), clock.now());

    // A hold for safety skips the cloud silently; the drive still runs.
    AppModelTestAccess::setBlock(m, BlockReason::geoRisk("XX"));
    const std::size_t lines = m.log().size();
    // Counted in the index itself: the model's list of runs is refreshed after the run ends, and the
    // scheduled run above may have copied the drive too.
    std::size_t before = 0;
    for (const RunRecord& run : m.index()->recentRuns(AppModel::runsShown)) {
        before += run.trigger.find("Studio Disk") != std::string::npos ? 1 : 0;
    }
    runAndWait(m);
    EXPECT_TRUE(runUntil([&] { return driveRuns().size() == before + 1; }));
    const auto texts = logTexts(m);
    EXPECT_FALSE(hasLine(std::vector<std::string>(texts.begin() + static_cast<long>(lines), texts.end()),
                         "Backup started ("));
    AppModelTestAccess::setBlock(m, std::nullopt);

    // A drive waiting for review runs only when asked for by id.
    AppModelTestAccess::editDriveState(m, drive.id, [](DriveState& state) { state.needsReview = true; });
    runAndWait(m, "Manual", false, false, false);
    EXPECT_EQ(driveRuns().size(), before + 1) << "skipped by a plain back-up";
    runAndWait(m, "Manual", true, false, false, std::vector<std::string>{drive.id});
    EXPECT_TRUE(runUntil([&] { return driveRuns().size() == before + 2; }));
}

TEST_F(AppModelRun, EveryEventOfARunIsAppliedBeforeItsResult) {
    for (int i = 0; i < 5; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", std::string(20'000, static_cast<char>('a' + i)));
    }
    AppModel& m = ready();
    std::vector<std::string> order;
    QObject::connect(&m, &AppModel::logChanged, [&] { order.push_back("log"); });
    QObject::connect(&m, &AppModel::progressChanged, [&] { order.push_back("progress"); });
    QObject::connect(&m, &AppModel::lastRunChanged, [&] { order.push_back("lastRun"); });
    runAndWait(m);
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->uploaded, 5);
    const auto result = std::find(order.begin(), order.end(), "lastRun");
    ASSERT_NE(result, order.end());
    EXPECT_GE(std::count(order.begin(), result, "log"), 2);
    EXPECT_GT(std::count(order.begin(), result, "progress"), 5);
    // After the result only the reset to idle follows.
    EXPECT_EQ(std::count(result, order.end(), "log"), 0);
    EXPECT_LE(std::count(result, order.end(), "progress"), 1);
    EXPECT_FALSE(m.trayFrame());
    EXPECT_EQ(m.progress(), RunProgress{});
}

TEST_F(AppModelRun, PausingDuringTheCloudPartStopsTheRunAndNoDriveStarts) {
    for (int i = 0; i < 6; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    const LocalDestination drive = addDrive(m);
    control().setSettings({{"latency_ms", 150}});
    m.runBackup("Manual");
    ASSERT_TRUE(m.isRunning());
    ASSERT_TRUE(runUntil([&] { return m.progress().phase == RunPhase::uploading; }));
    m.setPaused(true);
    m.cancelRunTask();
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
    control().setSettings({{"latency_ms", 0}});

    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::cancelled);
    EXPECT_EQ(m.lastRun()->message, "Stopped. The next run picks up where this one stopped.");
    EXPECT_FALSE(m.localIndexes().count(drive.id)) << "the drive was never started";
    EXPECT_EQ(m.progress(), RunProgress{});
    EXPECT_FALSE(m.trayFrame());
    EXPECT_TRUE(notifier.posted().empty());
}

TEST_F(AppModelRun, ADriveUnpluggedSinceItsStateWasReadIsLeftOut) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    const LocalDestination drive = addDrive(m);
    // Gone before the mount notice came: the drive state still says connected.
    volumes.unmountAll();
    ASSERT_TRUE(m.driveStates().at(drive.id).connected);
    runAndWait(m, "Manual", false, false, false, std::vector<std::string>{drive.id});
    EXPECT_TRUE(runUntil([&] { return !m.driveStates().at(drive.id).connected; }))
        << "read again after the run";
    ASSERT_TRUE(m.localIndexes().count(drive.id));
    EXPECT_EQ(m.localIndexes().at(drive.id)->meta("lastAttempt"), std::nullopt) << "no attempt was made";
    EXPECT_TRUE(notifier.posted().empty());
}

TEST_F(AppModelRun, ARestartAskedForDuringARunLiftsThePauseAndRunsAgain) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    control().setSettings({{"latency_ms", 50}});
    m.runBackup("Manual");
    m.setPaused(true);
    AppModelTestAccess::setRestartAfterRun(m, true);
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask() && m.runs().size() == 2; }));
    control().setSettings({{"latency_ms", 0}});
    EXPECT_FALSE(m.pausedByUser());
    EXPECT_FALSE(m.restartAfterRun());
    EXPECT_TRUE(metaBecomes(m, "pausedByUser", std::nullopt));
    EXPECT_EQ(m.runs().front().trigger, "Manual");
}

TEST_F(AppModelRun, SigningOutDuringARunLeavesItCancelledInItsIndexAndNoTraceInTheModel) {
    for (int i = 0; i < 6; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    control().setSettings({{"latency_ms", 150}});
    m.runBackup("Manual");
    ASSERT_TRUE(runUntil([&] { return m.progress().phase == RunPhase::uploading; }));
    const std::size_t posted = notifier.posted().size();
    await(m.signOut());
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
    control().setSettings({{"latency_ms", 0}});
    drainEvents();

    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_FALSE(m.lastRun());
    EXPECT_TRUE(m.runs().empty());
    EXPECT_TRUE(m.log().empty());
    EXPECT_FALSE(m.lastAttemptFailed());
    EXPECT_EQ(m.progress(), RunProgress{});
    EXPECT_EQ(notifier.posted().size(), posted);

    BackupIndex index(accountFolder(), logger);
    const auto runs = index.recentRuns(5);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs.front().status, RunStatus::cancelled);
}

// The last success is the time the successful run began: what changed while it ran is not known to be
// protected. The clock moves during the run here (a refused upload link is asked for again after a wait).
TEST_F(AppModelRun, TheLastSuccessIsWhenTheRunBeganNotWhenItEnded) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    control().addFault({{"endpoint", "upload-url"}, {"status", 500}, {"count", 1}});
    runAndWait(m);
    ASSERT_TRUE(m.lastRun());
    ASSERT_EQ(m.lastRun()->status, RunStatus::succeeded);
    ASSERT_TRUE(m.lastRun()->finishedAt);
    ASSERT_GT(*m.lastRun()->finishedAt, m.lastRun()->startedAt) << "the clock moved during the run";
    EXPECT_EQ(m.lastSuccess(), m.lastRun()->startedAt);
    EXPECT_TRUE(metaBecomes(m, "lastSuccess", metaTimeText(toUnixSeconds(m.lastRun()->startedAt))));
}

// A drive whose volume lies inside a source: neither the cloud nor the drive backs up the drive's own
// backup folder, however often they run.
TEST_F(AppModelRun, ADrivesBackupFolderInsideASourceIsNeverBackedUp) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    const std::filesystem::path volume = home() / "Drive";
    std::filesystem::create_directories(volume);
    volumes.mount(MountedVolume{volume, "UUID-IN", "Inner Disk", false});
    LocalDestination drive;
    drive.id = "IN";
    drive.name = "Inner Disk";
    drive.volumeUUID = "UUID-IN";
    drive.volumePathAtAdd = volume.string();
    drive.enabled = true;
    drive.addedAt = clock.now();
    AppModelTestAccess::setDestinations(m, {drive});
    m.refreshDriveStates();
    ASSERT_TRUE(runUntil([&] { return m.driveStates().count("IN") && m.driveStates().at("IN").connected; }));

    for (int run = 0; run < 2; ++run) {
        clock.advance(60s);
        runAndWait(m);
    }
    ASSERT_TRUE(std::filesystem::exists(volume / "Orlivane Keldra Backup")) << "the drive was copied to";
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::succeeded);
    EXPECT_EQ(control().files(email).size(), 1u) << "only a.txt reached the Keldra";
    ASSERT_TRUE(m.localIndexes().count("IN"));
    EXPECT_EQ(m.localIndexes().at("IN")->backedUpFileCount(), 1) << "only a.txt reached the drive";
}
