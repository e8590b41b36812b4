#include "platform/sleep/LogindSleepWatcher.h"
#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <QDBusMessage>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

KeldraKey keyOf(std::uint8_t fill) {
    SymmetricKey bytes{};
    bytes.fill(fill);
    return KeldraKey(bytes);
}

class AppModelScheduler : public AppModelFixture {
protected:
    // A ready, unlocked model on an hourly schedule whose cloud and one connected drive ("D1") are due:
    // both last succeeded two hours ago. Nothing else holds them back.
    AppModel& dueModel() {
        AppModel& m = start();
        BackupSettings settings = readySettings();
        settings.schedule.kind = ScheduleKind::hourly;
        AppModelTestAccess::setSettings(m, settings);
        AppModelTestAccess::setSources(m, {BackupSource{"S1", "/home/ada/Documents", false, clock.now()}});
        LocalDestination drive;
        drive.id = "D1";
        drive.name = "Travel";
        drive.volumeUUID = "UUID-1";
        drive.addedAt = clock.now() - 30 * 24h;
        AppModelTestAccess::setDestinations(m, {drive});
        DriveState state;
        state.connected = true;
        state.lastSuccess = clock.now() - 2h;
        AppModelTestAccess::setDriveStates(m, {{"D1", state}});
        AppModelTestAccess::setLastSuccess(m, clock.now() - 2h);
        AppModelTestAccess::setKeldraKey(m, keyOf(1));
        m.setPhase(AppPhase::ready);
        return m;
    }

    void editDrive(AppModel& m, const std::function<void(DriveState&)>& edit) {
        AppModelTestAccess::editDriveState(m, "D1", edit);
    }
    void editSettings(AppModel& m, const std::function<void(BackupSettings&)>& edit) {
        BackupSettings settings = m.settings();
        edit(settings);
        AppModelTestAccess::setSettings(m, settings);
    }
};

SchedulerStep cloudStep() {
    return SchedulerStep{true, {}, false};
}
SchedulerStep driveStep() {
    return SchedulerStep{false, {"D1"}, false};
}
SchedulerStep nothing() {
    return {};
}

} // namespace

TEST_F(AppModelScheduler, EachStepStartsWhatIsDueAndOnlyThat) {
    struct Case {
        const char* name;
        std::function<void(AppModel&)> arrange;
        bool force;
        SchedulerStep expected;
        bool hasNextRun = true;
    };
    const MassChangeReview review{MassChangeReview::Kind::localChanges, 500, 20, 1000};
    const std::vector<Case> cases{
        {"due", [](AppModel&) {}, false, cloudStep()},
        {"paused by the user, even forced", [](AppModel& m) { AppModelTestAccess::setPausedByUser(m, true); },
         true, nothing(), false},
        {"review pending: the cloud waits, the drive goes",
         [&](AppModel& m) { AppModelTestAccess::setReview(m, review); }, false, driveStep(), false},
        {"a run is going", [](AppModel& m) { AppModelTestAccess::setIsRunning(m, true); }, true, nothing()},
        {"locked", [](AppModel& m) { AppModelTestAccess::setKeldraKey(m, std::nullopt); }, true, nothing()},
        {"not ready", [](AppModel& m) { m.setPhase(AppPhase::unlock); }, true, nothing()},
        {"attempt failed 5 min ago: cloud waits for 900 s, the drive goes",
         [&](AppModel& m) {
             AppModelTestAccess::setLastAttempt(m, clock.now() - 5min);
             AppModelTestAccess::setLastAttemptFailed(m, true);
         },
         false, driveStep()},
        {"attempt failed 16 min ago",
         [&](AppModel& m) {
             AppModelTestAccess::setLastAttempt(m, clock.now() - 16min);
             AppModelTestAccess::setLastAttemptFailed(m, true);
         },
         false, cloudStep()},
        {"drive failed 10 min ago is skipped; no device folder",
         [&](AppModel& m) {
             editSettings(m, [](BackupSettings& s) { s.deviceFolderID.reset(); });
             editDrive(m, [&](DriveState& d) {
                 d.lastFailed = true;
                 d.lastAttempt = clock.now() - 10min;
             });
         },
         false, nothing()},
        {"drive failed 15 min ago is copied again; no device folder",
         [&](AppModel& m) {
             editSettings(m, [](BackupSettings& s) { s.deviceFolderID.reset(); });
             editDrive(m, [&](DriveState& d) {
                 d.lastFailed = true;
                 d.lastAttempt = clock.now() - 15min;
             });
         },
         false, driveStep()},
        {"drive awaiting review",
         [&](AppModel& m) {
             AppModelTestAccess::setReview(m, review);
             editDrive(m, [](DriveState& d) { d.needsReview = true; });
         },
         false, nothing(), false},
        {"drive unplugged, the cloud held by a review",
         [&](AppModel& m) {
             AppModelTestAccess::setReview(m, review);
             editDrive(m, [](DriveState& d) { d.connected = false; });
         },
         false, nothing(), false},
        {"on battery with only-on-power",
         [&](AppModel& m) {
             power.onBattery = true;
             editSettings(m, [](BackupSettings& s) { s.onlyOnPower = true; });
         },
         false, nothing()},
        {"on battery with only-on-power, resumed by hand",
         [&](AppModel& m) {
             power.onBattery = true;
             editSettings(m, [](BackupSettings& s) { s.onlyOnPower = true; });
         },
         true, cloudStep()},
        {"offline hold while the link is up",
         [](AppModel& m) {
             AppModelTestAccess::setBlock(m, BlockReason::offline());
             AppModelTestAccess::setIsOnline(m, true);
         },
         false, cloudStep()},
        {"offline hold while the link is down",
         [](AppModel& m) {
             AppModelTestAccess::setBlock(m, BlockReason::offline());
             AppModelTestAccess::setIsOnline(m, false);
         },
         false, driveStep()},
        {"country risk: a re-check, drives still copied",
         [](AppModel& m) { AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU")); }, false,
         SchedulerStep{false, {"D1"}, true}},
        {"suspended", [](AppModel& m) { AppModelTestAccess::setBlock(m, BlockReason::suspended()); }, true,
         driveStep()},
        {"no device folder: drives only",
         [&](AppModel& m) { editSettings(m, [](BackupSettings& s) { s.deviceFolderID.reset(); }); }, false,
         driveStep()},
        {"not yet due",
         [&](AppModel& m) {
             AppModelTestAccess::setLastSuccess(m, clock.now() - 10min);
             editDrive(m, [&](DriveState& d) { d.lastSuccess = clock.now() - 10min; });
         },
         false, nothing()},
        {"not yet due, forced: the cloud; drives only when due",
         [&](AppModel& m) {
             AppModelTestAccess::setLastSuccess(m, clock.now() - 10min);
             editDrive(m, [&](DriveState& d) { d.lastSuccess = clock.now() - 10min; });
         },
         true, cloudStep()},
        {"manual schedule: never",
         [&](AppModel& m) {
             editSettings(m, [](BackupSettings& s) { s.schedule.kind = ScheduleKind::manual; });
         },
         true, nothing(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        power.onBattery = false;
        AppModel& m = dueModel();
        c.arrange(m);
        EXPECT_EQ(m.planTick(c.force), c.expected);
        EXPECT_EQ(m.nextRunDate().has_value(), c.hasNextRun);
        model.reset();
    }
}

TEST_F(AppModelScheduler, AFailedAttemptMovesTheNextRunToFifteenMinutesAfterIt) {
    AppModel& m = dueModel();
    const SystemTime scheduled = clock.now() - 1h; // two hours after the last success, an hour ago
    EXPECT_EQ(m.nextRunDate(), scheduled);
    const SystemTime attempt = clock.now() - 5min;
    AppModelTestAccess::setLastAttempt(m, attempt);
    AppModelTestAccess::setLastAttemptFailed(m, true);
    EXPECT_EQ(m.nextRunDate(), attempt + 15min);
    // The floor never brings the run before the schedule's own time.
    AppModelTestAccess::setLastSuccess(m, clock.now() - 30min);
    EXPECT_EQ(m.nextRunDate(), clock.now() + 30min);
    AppModelTestAccess::setLastAttemptFailed(m, false);
    EXPECT_EQ(m.nextRunDate(), clock.now() + 30min);
}

TEST_F(AppModelScheduler, TheStaleNoticeComesOnceADayAndNeverWhenOff) {
    AppModel& m = dueModel();
    editSettings(m, [](BackupSettings& s) { s.notifyStaleDays = 7; });
    AppModelTestAccess::setLastSuccess(m, clock.now() - 8 * 24h);
    AppModelTestAccess::setIsRunning(m, true); // the notice does not depend on a run starting
    m.tick();
    ASSERT_EQ(notifier.count("stale"), 1u);
    const auto posted = notifier.posted().back();
    EXPECT_EQ(posted.title, "No backup for 7+ days");
    EXPECT_EQ(posted.body, "This computer's last successful backup was 8 days ago.");

    clock.advance(23h);
    m.tick();
    EXPECT_EQ(notifier.count("stale"), 1u) << "not twice within a day";
    clock.advance(1h);
    m.tick();
    EXPECT_EQ(notifier.count("stale"), 2u);

    // Locked computers are reminded too; a computer that was never backed up is not.
    m.setPhase(AppPhase::unlock);
    clock.advance(25h);
    m.tick();
    EXPECT_EQ(notifier.count("stale"), 3u);
    AppModelTestAccess::setLastSuccess(m, std::nullopt);
    clock.advance(25h);
    m.tick();
    EXPECT_EQ(notifier.count("stale"), 3u);

    AppModelTestAccess::setLastSuccess(m, clock.now() - 30 * 24h);
    editSettings(m, [](BackupSettings& s) { s.notifyStaleDays = 0; });
    clock.advance(25h);
    m.tick();
    EXPECT_EQ(notifier.count("stale"), 3u) << "0 days: never";
}

TEST_F(AppModelScheduler, ACountryHoldAsksAgainOnlyWhenNoQuestionIsOpen) {
    createAccount();
    AppModel& m = dueModel();
    AppModelTestAccess::setSession(m, signedInSession());
    api->setToken(m.session()->token);
    AppModelTestAccess::setDestinations(m, {});
    AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU"));
    control().resetStats();
    // The portal answers slowly; ticks meanwhile start nothing more.
    control().addFault({{"endpoint", "account"}, {"latency_ms", 1500}, {"count", 1}});
    m.tick();
    m.tick();
    m.tick();
    ASSERT_TRUE(runUntil([&] { return !m.block(); }, 10s)) << "the rule is off: the hold is lifted";
    EXPECT_EQ(control().requestCount("account"), 1);
    AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU"));
    m.tick();
    ASSERT_TRUE(runUntil([&] { return !m.block(); }, 10s));
    EXPECT_EQ(control().requestCount("account"), 2) << "a new question once the last was answered";
}

TEST_F(AppModelScheduler, ThroughputKeepsThreeHundredSamplesAndSmoothsOnlyWhileRunning) {
    AppModel& m = dueModel();
    AppModelTestAccess::setIsRunning(m, true);
    m.meter()->add(1000);
    m.sample();
    EXPECT_DOUBLE_EQ(m.currentSpeed(), 400);
    m.meter()->add(1000);
    m.sample();
    EXPECT_DOUBLE_EQ(m.currentSpeed(), 0.4 * 1000 + 0.6 * 400);
    ASSERT_EQ(m.throughput().size(), AppModel::throughputSamples);
    EXPECT_EQ(m.throughput().back(), 1000);
    EXPECT_EQ(m.throughput()[AppModel::throughputSamples - 2], 1000);
    m.sample();
    EXPECT_EQ(m.throughput().back(), 0) << "the meter was emptied by the last sample";
    for (std::size_t i = 0; i < 400; ++i) {
        m.sample();
    }
    EXPECT_EQ(m.throughput().size(), AppModel::throughputSamples);
    AppModelTestAccess::setIsRunning(m, false);
    m.meter()->add(5000);
    m.sample();
    EXPECT_EQ(m.currentSpeed(), 0) << "no run: no speed";
    EXPECT_EQ(m.throughput().back(), 5000);
}

TEST_F(AppModelScheduler, TimersTickEveryThirtySecondsAndSampleEverySecondUntilStopped) {
    AppModel& m = dueModel();
    editSettings(m, [](BackupSettings& s) { s.notifyStaleDays = 1; });
    AppModelTestAccess::setLastSuccess(m, clock.now() - 2 * 24h);
    AppModelTestAccess::setIsRunning(m, true);
    m.startTimers();
    m.startTimers(); // twice leaves one ticker and one sampler
    EXPECT_EQ(timers.active(), 2u);
    EXPECT_EQ(notifier.count("stale"), 1u) << "starting the timers ticks at once";
    EXPECT_TRUE(sleepWatcher.watched());
    m.meter()->add(700);
    timers.advance(1s);
    EXPECT_EQ(m.throughput().back(), 700);
    m.stopTimers();
    EXPECT_EQ(timers.active(), 0u);
}

namespace {

class AppModelSchedulerRuns : public RunFixture {
protected:
    // Ready with a real key, source and device folder, on an hourly schedule that is not due yet; the
    // timers and the wake watch are set.
    AppModel& hourlyModel(const AppServices& withServices) {
        writeHomeFile("a.txt", "alpha");
        AppModel& m = ready(withServices);
        BackupSettings settings = m.settings();
        settings.schedule.kind = ScheduleKind::hourly;
        AppModelTestAccess::setSettings(m, settings);
        AppModelTestAccess::setLastSuccess(m, clock.now() - 30min);
        m.startTimers();
        return m;
    }
};

// A stand-in for logind on the private session bus.
void announceWake(QDBusConnection& from) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << false;
    ASSERT_TRUE(from.send(signal));
}

} // namespace

TEST_F(AppModelSchedulerRuns, AWakeTicksTwentySecondsLaterAndTheDueRunStarts) {
    auto logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-login1"));
    ASSERT_TRUE(logind.isConnected());
    LogindSleepWatcher watcher(clock, QDBusConnection::sessionBus(), logind.baseService());
    ASSERT_TRUE(watcher.start());
    AppServices withLogind = services();
    AppServices real{.clock = withLogind.clock,
                     .sleeper = withLogind.sleeper,
                     .logger = withLogind.logger,
                     .defaults = withLogind.defaults,
                     .secrets = withLogind.secrets,
                     .api = withLogind.api,
                     .storage = withLogind.storage,
                     .memory = withLogind.memory,
                     .mimeTypes = withLogind.mimeTypes,
                     .volumes = withLogind.volumes,
                     .network = withLogind.network,
                     .power = withLogind.power,
                     .notifier = withLogind.notifier,
                     .loginItem = withLogind.loginItem,
                     .deviceIdentity = withLogind.deviceIdentity,
                     .timers = withLogind.timers,
                     .sleepWatcher = watcher,
                     .volumeWatcher = withLogind.volumeWatcher,
                     .urlOpener = withLogind.urlOpener,
                     .fileRevealer = withLogind.fileRevealer,
                     .folderChooser = withLogind.folderChooser,
                     .launchContext = withLogind.launchContext,
                     .dataDirectory = withLogind.dataDirectory,
                     .workerThreads = withLogind.workerThreads};
    AppModel& m = hourlyModel(real);
    EXPECT_FALSE(m.isRunning());
    // Only the wake's own step is left to fire.
    m.stopTimers();

    // Asleep for an hour: the clock moved on, timers did not.
    clock.advance(1h);
    announceWake(logind);
    ASSERT_TRUE(runUntil([&] { return timers.nextDue().has_value(); }));
    EXPECT_EQ(*timers.nextDue(), clock.now() + 20s);
    timers.advance(19s);
    EXPECT_FALSE(m.isRunning());
    timers.advance(1s);
    EXPECT_TRUE(m.isRunning()) << "the step 20 s after the wake starts the due run";
    EXPECT_TRUE(runUntil([&] { return !m.isRunning(); }));
    EXPECT_EQ(m.lastRun()->trigger, "Scheduled");
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-login1"));
}

TEST_F(AppModelSchedulerRuns, APluggedInDriveThatWasNeverCopiedIsDue) {
    AppModel& m = hourlyModel(services());
    const LocalDestination drive = addDrive(m);
    volumes.unmountAll();
    volumeWatcher.unmounted(temp.path() / "volume-D1");
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains(drive.id); }));

    volumes.mount(MountedVolume{temp.path() / "volume-D1", "UUID-D1", "Studio Disk", false});
    volumeWatcher.mounted(temp.path() / "volume-D1");
    ASSERT_TRUE(runUntil([&] { return m.driveStates().at(drive.id).connected; }));
    drainEvents();
    EXPECT_EQ(m.planTick(false).drives, std::vector<std::string>{drive.id});
}

// Time alone moves what the screens and the tray show: an hourly schedule held back by "only on power"
// ages into "at risk" with no property changing, and the scheduler's ticks announce it (once per change,
// not once per tick).
TEST_F(AppModelScheduler, TicksAnnounceWhatTimeAloneChanged) {
    AppModel& m = dueModel();
    editSettings(m, [](BackupSettings& s) { s.onlyOnPower = true; });
    power.onBattery = true;
    AppModelTestAccess::setDestinations(m, {});
    AppModelTestAccess::setLastSuccess(m, clock.now() - 1h);
    m.startTimers();
    drainEvents();
    ASSERT_EQ(m.health(), BackupHealth::protectedState());

    std::vector<BackupHealth> announced;
    QObject::connect(&m, &AppModelView::statusChanged, [&] { announced.push_back(m.health()); });
    timers.advance(7h);
    drainEvents();

    EXPECT_FALSE(m.isRunning()) << "held back by the battery";
    ASSERT_EQ(m.health(), BackupHealth::atRisk());
    ASSERT_FALSE(announced.empty()) << "the tray and the screens were never told";
    EXPECT_EQ(announced.back(), BackupHealth::atRisk());
    EXPECT_LT(announced.size(), 20u) << "only changes are announced, not every tick";
}
