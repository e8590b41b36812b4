#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <QTimer>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelStartup : public AppModelFixture {
protected:
    std::size_t logCount(const std::string& text) const {
        return static_cast<std::size_t>(std::count_if(model->log().begin(), model->log().end(),
                                                      [&](const LogLine& l) { return l.text == text; }));
    }
};

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

const std::string anotherComputer =
    "These settings came from another computer. Choose how this computer should back up.";

} // namespace

TEST_F(AppModelStartup, WithoutAUsableSessionItStartsSignedOutSilently) {
    createAccount();
    struct Case {
        const char* name;
        std::optional<std::string> item;
    };
    const std::vector<Case> cases{
        {"no item", std::nullopt},
        {"not JSON", "portal-session"},
        {"no e-mail", R"({"token":"abc","expiresAt":800000000})"},
        {"expiry of the wrong type", R"({"token":"abc","expiresAt":"soon","email":"ada@example.com"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        secrets.remove(sessionAccount);
        if (c.item) {
            secrets.write(Bytes(c.item->begin(), c.item->end()), sessionAccount, sessionLabel);
        }
        AppModel& m = start();
        EXPECT_EQ(m.phase(), AppPhase::signedOut);
        EXPECT_FALSE(m.session());
        EXPECT_FALSE(m.authError());
        EXPECT_TRUE(m.log().empty());
        model.reset();
    }
    EXPECT_TRUE(notifier.posted().empty());
}

TEST_F(AppModelStartup, ThePhaseFollowsSetUpAndTheStoredKey) {
    createAccount();
    struct Case {
        const char* name;
        bool setupComplete;
        bool keyStored;
        AppPhase expected;
        std::size_t lockedNotices;
    };
    const std::vector<Case> cases{
        {"set-up unfinished, key stored", false, true, AppPhase::setup, 0},
        {"no key", true, false, AppPhase::unlock, 1},
        {"both", true, true, AppPhase::ready, 0},
    };
    SymmetricKey raw{};
    raw.fill(9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BackupSettings settings = readySettings();
        settings.setupComplete = c.setupComplete;
        saveSettings(email, settings);
        secrets.remove(keldraKeyAccount(scopeKey(email)));
        if (c.keyStored) {
            storeKey(email, KeldraKey(raw));
        }
        storeSession(signedInSession());
        const auto noticesBefore = notifier.count("locked");
        AppModel& m = start();
        ASSERT_TRUE(runUntil([&] { return m.phase() == c.expected; }));
        EXPECT_EQ(notifier.count("locked") - noticesBefore, c.lockedNotices);
        EXPECT_EQ(m.keldraKey().has_value(), c.keyStored);
        EXPECT_EQ(m.unattended(), c.keyStored);
        ASSERT_TRUE(m.account());
        EXPECT_EQ(m.account()->email, std::optional<std::string>(email));
        EXPECT_TRUE(m.index());
        EXPECT_TRUE(m.engine());
        EXPECT_TRUE(m.localEngine());
        EXPECT_EQ(api->token(), std::optional<std::string>(m.session()->token));
        model.reset();
    }
}

TEST_F(AppModelStartup, RunsAKilledProcessLeftAreRecoveredAndMetaValuesReadStrictly) {
    createAccount();
    saveSettings(email, readySettings());
    const SystemTime started = clock.now() - 3600s;
    {
        BackupIndex index(accountFolder(), logger);
        const auto quiet = index.startRun("Scheduled", started);
        const auto withMessage = index.startRun("Manual", started + 60s);
        index.execute("UPDATE runs SET message = ? WHERE id = ?",
                      {BackupIndex::Bind::text("Scanning"), BackupIndex::Bind::integer(withMessage)});
        (void)quiet;
        index.setMeta("lastSuccess", "abc");
        index.setMeta("lastAttempt", "1800000000.25");
        index.setMeta("lastAttemptFailed", "true");
        index.setMeta("pausedByUser", "1");
    }
    storeSession(signedInSession());
    AppModel& m = start();
    ASSERT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
    ASSERT_EQ(m.runs().size(), 2u);
    for (const RunRecord& run : m.runs()) {
        EXPECT_EQ(run.status, RunStatus::cancelled);
        ASSERT_TRUE(run.finishedAt);
        EXPECT_EQ(*run.finishedAt, run.startedAt);
    }
    EXPECT_EQ(m.runs()[0].message, std::optional<std::string>("Scanning")); // its own message stays
    EXPECT_EQ(m.runs()[1].message,
              std::optional<std::string>("Interrupted. The next run picks up where this one stopped."));
    EXPECT_EQ(m.lastRun(), m.runs()[0]);
    EXPECT_FALSE(m.lastSuccess());
    EXPECT_EQ(m.lastAttempt(), std::optional<SystemTime>(fromUnixSeconds(1800000000.25)));
    EXPECT_FALSE(m.lastAttemptFailed());
    EXPECT_TRUE(m.pausedByUser());
}

TEST_F(AppModelStartup, SettingsFromAnotherComputerStartOverWithoutItsFileRecords) {
    createAccount();
    BackupSettings settings = readySettings();
    settings.deviceHostID = "host-b";
    saveSettings(email, settings);
    LocalDestination drive;
    drive.id = "D1";
    drive.name = "Backup";
    LocalDestination::saveAll(*defaults, scopeKey(email), {drive});
    const auto driveIndex = accountFolder() / "drive-D1";
    std::filesystem::create_directories(driveIndex);
    writeFile(driveIndex / "index.sqlite", "old drive index");
    {
        BackupIndex index(accountFolder(), logger);
        IndexedFile file;
        file.path = "~/a.txt";
        file.sourceID = "S1";
        file.size = 3;
        file.keldraFileID = "77";
        index.upsertFile(file);
        RunRecord done;
        done.id = index.startRun("Manual", clock.now());
        done.startedAt = clock.now();
        done.finishedAt = clock.now();
        done.status = RunStatus::succeeded;
        index.finishRun(done);
    }
    storeSession(signedInSession());
    AppModel& m = start();
    ASSERT_TRUE(runUntil([&] { return m.phase() == AppPhase::setup; }));

    EXPECT_FALSE(m.settings().deviceFolderID);
    EXPECT_FALSE(m.settings().setupComplete);
    EXPECT_EQ(m.settings().deviceHostID, std::optional<std::string>("host-a"));
    ASSERT_TRUE(m.settings().localDeviceID);
    EXPECT_NE(*m.settings().localDeviceID, *settings.localDeviceID);
    EXPECT_EQ(*m.settings().localDeviceID, lowerAscii(*m.settings().localDeviceID));
    EXPECT_EQ(BackupSettings::load(*defaults, scopeKey(email)), m.settings()); // saved
    EXPECT_EQ(logCount(anotherComputer), 1u);
    // The old drive index is gone; the drive states may have opened a fresh, empty one since.
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains("D1"); }));
    EXPECT_FALSE(std::filesystem::exists(driveIndex / "index.sqlite") &&
                 readFile(driveIndex / "index.sqlite") == "old drive index");
    for (const auto& [id, index] : m.localIndexes()) {
        EXPECT_EQ(index->backedUpFileCount(), 0) << id;
    }
    const auto counts = await(m.onIndex([](BackupIndex& index) {
        return std::pair{index.backedUpFileCount(), index.recentRuns(10).size()};
    }));
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->first, 0);
    EXPECT_EQ(counts->second, 1u); // the runs stay
}

TEST_F(AppModelStartup, SettingsWithoutAHostAdoptThisComputerQuietly) {
    createAccount();
    BackupSettings settings = readySettings();
    settings.deviceHostID.reset();
    settings.localDeviceID.reset();
    saveSettings(email, settings);
    storeSession(signedInSession());
    AppModel& m = start();
    ASSERT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
    EXPECT_EQ(m.settings().deviceHostID, std::optional<std::string>("host-a"));
    EXPECT_TRUE(m.settings().localDeviceID);
    EXPECT_EQ(m.settings().deviceFolderID, std::optional<std::string>("42"));
    EXPECT_EQ(BackupSettings::load(*defaults, scopeKey(email)), m.settings());
    EXPECT_EQ(logCount(anotherComputer), 0u);
}

TEST_F(AppModelStartup, AnIndexThatCannotOpenIsReportedAndTheLoadGoesOn) {
    createAccount();
    saveSettings(email, readySettings());
    std::filesystem::create_directories(temp / "data");
    writeFile(accountFolder(), "a file where the account folder belongs");
    storeSession(signedInSession());
    AppModel& m = start();
    ASSERT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
    EXPECT_TRUE(m.authError());
    EXPECT_FALSE(m.index());
    EXPECT_FALSE(m.engine());
    ASSERT_FALSE(m.log().empty());
    EXPECT_EQ(m.log().back().tone, LogLine::Tone::error);
    EXPECT_NE(m.log().back().text.find("backup index"), std::string::npos);
    EXPECT_TRUE(logger.contains("Opening the account index failed"));

    // Nothing can back up to the Keldra without an engine, even with a key and a device folder.
    SymmetricKey raw{};
    AppModelTestAccess::setKeldraKey(m, KeldraKey(raw));
    m.setPhase(AppPhase::ready);
    m.persistSources({BackupSource{"S1", "/home/ada", false, clock.now()}});
    EXPECT_FALSE(m.canBackUpNow());
}

TEST_F(AppModelStartup, ComingBackOnlineLiftsOnlyTheOfflineHoldAndTicksSoonAfter) {
    AppModel& m = start();
    AppModelTestAccess::setBlock(m, BlockReason::offline());
    network.pathUpdated(false);
    EXPECT_FALSE(m.isOnline());
    EXPECT_FALSE(timers.nextDue());
    network.pathUpdated(true);
    EXPECT_TRUE(m.isOnline());
    EXPECT_FALSE(m.block());
    ASSERT_TRUE(timers.nextDue());
    EXPECT_EQ(*timers.nextDue(), clock.now() + 5s);
    timers.advance(5s);
    EXPECT_EQ(timers.active(), 0u);

    AppModelTestAccess::setBlock(m, BlockReason::noPlan());
    network.pathUpdated(false);
    network.pathUpdated(true);
    EXPECT_EQ(m.block(), BlockReason::noPlan());
    EXPECT_FALSE(timers.nextDue());
}

TEST_F(AppModelStartup, TheWindowStaysResponsiveWhileASlowPortalIsAsked) {
    createAccount();
    saveSettings(email, readySettings());
    storeSession(signedInSession());
    control().setSettings({{"latency_ms", 2000}});
    int beats = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
    heartbeat.start(20);
    model = std::make_unique<AppModel>(services());
    ASSERT_TRUE(runUntil([&] { return model->phase() == AppPhase::unlock; }));
    control().setSettings({{"latency_ms", 0}});
    // The load waited on the portal at least twice; the event loop kept turning all along.
    EXPECT_GE(control().requestCount("status") + control().requestCount("account"), 2);
    EXPECT_GE(beats, 20);
}
