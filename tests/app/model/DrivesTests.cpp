#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelDrives : public AppModelFixture {
protected:
    void SetUp() override {
        AppModelFixture::SetUp();
        std::filesystem::create_directories(diskRoot / "Backups");
        std::filesystem::create_directories(bootRoot / "home" / "ada" / "Documents" / "Copies");
        std::filesystem::create_directories(bootRoot / "srv");
        volumes.mount(MountedVolume{diskRoot, "UUID-DISK", "Travel", false});
        volumes.mount(MountedVolume{bootRoot, "UUID-BOOT", std::nullopt, true});
    }

    // A signed-in, loaded model (its destinations are saved for the account, volume changes reach it); its
    // timers are stopped so only what a test does is due.
    AppModel& signedInModel() {
        createAccount();
        AppModel& m = signedIn();
        m.stopTimers();
        return m;
    }

    std::optional<std::string> add(AppModel& m, const std::filesystem::path& folder) {
        return await(m.addDestination(folder));
    }
    std::vector<LocalDestination> saved() { return LocalDestination::loadAll(*defaults, scopeKey(email)); }

    std::filesystem::path diskRoot = temp / "disk";
    std::filesystem::path bootRoot = temp / "boot";
};

} // namespace

TEST_F(AppModelDrives, AddingRefusesUnusableAndDuplicateFoldersAndNamesThisComputer) {
    AppModel& m = signedInModel();
    AppModelTestAccess::setSources(
        m, {BackupSource{"S1", (bootRoot / "home" / "ada" / "Documents").string(), false, clock.now()}});

    EXPECT_EQ(add(m, temp / "nowhere"), "That location can't be used for backups.");
    EXPECT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    EXPECT_EQ(add(m, diskRoot / "Backups"), "That drive is already in the list.");
    ASSERT_EQ(m.destinations().size(), 1u);
    EXPECT_EQ(m.destinations()[0].name, "Travel") << "a drive keeps the name it got";

    // A nameless folder on this computer's own disk, inside a folder being backed up.
    EXPECT_EQ(add(m, bootRoot / "home" / "ada" / "Documents" / "Copies"), std::nullopt);
    // Outside every source it is this computer too: its volume's path is only a stand-in for a name.
    EXPECT_EQ(add(m, bootRoot / "srv"), std::nullopt);
    ASSERT_EQ(m.destinations().size(), 3u);
    EXPECT_EQ(m.destinations()[1].name, "This computer");
    EXPECT_TRUE(m.destinations()[1].isBootVolume);
    EXPECT_EQ(m.destinations()[2].name, "This computer");
    EXPECT_EQ(saved(), m.destinations());
    ASSERT_TRUE(runUntil([&] { return m.driveStates().size() == 3; }));
    EXPECT_TRUE(m.driveStates().at(m.destinations()[0].id).connected);
}

TEST_F(AppModelDrives, ASystemDiskFolderSavedUnderTheStandInNameLoadsAsThisComputer) {
    const auto destination = [](const char* id, const char* name, bool boot, const char* folder) {
        LocalDestination d;
        d.id = id;
        d.name = name;
        d.isBootVolume = boot;
        d.volumeUUID = boot ? "UUID-BOOT" : "UUID-DISK";
        d.folderInVolume = folder;
        return d;
    };
    LocalDestination::saveAll(*defaults, scopeKey(email),
                              {destination("A", "/", true, "srv"), destination("B", "debian", true, "opt"),
                               destination("C", "/", false, "Backups")});
    AppModel& m = signedInModel();
    std::vector<std::string> names;
    for (const LocalDestination& d : m.destinations()) {
        names.push_back(d.name);
    }
    // Only the system disk's stand-in becomes this computer; a label, or another disk, keeps its name.
    EXPECT_EQ(names, (std::vector<std::string>{"This computer", "debian", "/"}));
}

TEST_F(AppModelDrives, RemovingForgetsTheStateAndAReAddedFolderStartsFresh) {
    AppModel& m = signedInModel();
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string id = m.destinations()[0].id;
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains(id); }));
    AppModelTestAccess::editDriveState(m, id, [](DriveState& d) {
        d.needsReview = true;
        d.problem = "Many files changed at once.";
    });
    // A refresh carries the review and the problem over.
    await(m.refreshDriveStatesNow());
    EXPECT_TRUE(m.driveStates().at(id).needsReview);
    EXPECT_EQ(m.driveStates().at(id).problem, "Many files changed at once.");

    m.removeDestination(id);
    EXPECT_TRUE(m.destinations().empty());
    EXPECT_FALSE(m.driveStates().contains(id));
    EXPECT_TRUE(saved().empty());

    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string again = m.destinations()[0].id;
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains(again); }));
    EXPECT_FALSE(m.driveStates().at(again).needsReview);
    EXPECT_FALSE(m.driveStates().at(again).problem);
}

TEST_F(AppModelDrives, EnablingChangesOnlyAKnownDriveAndSavesOnlyWithASession) {
    createAccount();
    AppModel& m = start();
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string id = m.destinations()[0].id;
    EXPECT_TRUE(LocalDestination::loadAll(*defaults, scopeKey(email)).empty())
        << "no session: nothing written";

    AppModelTestAccess::setSession(m, signedInSession());
    int changes = 0;
    QObject::connect(&m, &AppModel::destinationsChanged, [&] { ++changes; });
    m.setDestinationEnabled("unknown", false);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(saved().empty());
    m.setDestinationEnabled(id, false);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(m.destinations()[0].enabled);
    ASSERT_EQ(saved().size(), 1u);
    EXPECT_FALSE(saved()[0].enabled);
}

TEST_F(AppModelDrives, ADriveAwaitingReviewIsCopiedOnlyWhenTheChangeIsAccepted) {
    AppModel& m = signedInModel();
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string id = m.destinations()[0].id;
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains(id); }));
    AppModelTestAccess::editDriveState(m, id, [](DriveState& d) {
        d.needsReview = true;
        d.problem = "Many files changed at once.";
    });
    m.backUpDriveNow(id, false);
    EXPECT_TRUE(m.driveStates().at(id).needsReview) << "nothing happens without accepting";
    // Nothing to back up yet: the model refuses the copy, so the review is still the user's to make.
    m.backUpDriveNow(id, true);
    EXPECT_FALSE(m.isRunning());
    EXPECT_TRUE(m.driveStates().at(id).needsReview);
    EXPECT_EQ(m.driveStates().at(id).problem, "Many files changed at once.");

    AppModelTestAccess::setSources(m, {BackupSource{"S1", (bootRoot / "srv").string(), false, clock.now()}});
    m.backUpDriveNow(id, true);
    EXPECT_TRUE(m.isRunning());
    EXPECT_FALSE(m.driveStates().at(id).needsReview);
    EXPECT_FALSE(m.driveStates().at(id).problem);
    ASSERT_TRUE(runUntil([&] { return !m.isRunning(); }));
}

TEST_F(AppModelDrives, AnAddedDriveIsKnownPluggedInAtOnceAndItsFolderIsRevealedOnlyWhileMounted) {
    AppModel& m = signedInModel();
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string id = m.destinations()[0].id;
    ASSERT_TRUE(m.driveStates().contains(id)) << "known before the refresh";
    EXPECT_TRUE(m.driveStates().at(id).connected);

    // No backup folder made yet: the folder that would hold it is shown.
    m.revealDriveFolder(id);
    ASSERT_TRUE(runUntil([&] { return !fileRevealer.revealed.empty(); }));
    EXPECT_EQ(fileRevealer.revealed, std::vector<std::filesystem::path>{diskRoot / "Backups"});

    volumes.unmountAll();
    fileRevealer.revealed.clear();
    m.revealDriveFolder(id);
    drainEvents();
    m.revealDriveFolder("unknown");
    drainEvents();
    EXPECT_TRUE(fileRevealer.revealed.empty());
}

TEST_F(AppModelDrives, MountsRefreshAtOnceAndTickSoonAfterUnmountsForgetKeyMismatches) {
    AppModel& m = signedInModel();
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    const std::string id = m.destinations()[0].id;
    ASSERT_TRUE(runUntil([&] { return m.driveStates().contains(id) && m.driveStates().at(id).connected; }));
    AppModelTestAccess::setKeyMismatchNotified(m, {id, "OTHER"});

    volumes.unmountAll();
    volumeWatcher.unmounted(diskRoot);
    EXPECT_TRUE(m.keyMismatchNotified().empty()) << "every drive's mismatch is told again";
    ASSERT_TRUE(runUntil([&] { return !m.driveStates().at(id).connected; }));
    drainEvents();
    EXPECT_FALSE(timers.nextDue()) << "an unmount does not tick";

    volumes.mount(MountedVolume{diskRoot, "UUID-DISK", "Travel", false});
    volumeWatcher.mounted(diskRoot);
    ASSERT_TRUE(runUntil([&] { return m.driveStates().at(id).connected; }));
    ASSERT_TRUE(runUntil([&] { return timers.nextDue().has_value(); }));
    EXPECT_EQ(*timers.nextDue(), clock.now() + 5s);
    timers.advance(5s);
    drainEvents();
    EXPECT_EQ(timers.active(), 0u);
}

TEST_F(AppModelDrives, BackUpNowSeesAMountedDriveThroughTheKeptStatesAlone) {
    AppModel& m = signedInModel();
    BackupSettings noCloud = m.settings();
    noCloud.deviceFolderID.reset();
    AppModelTestAccess::setSettings(m, noCloud);
    AppModelTestAccess::setSources(m, {BackupSource{"S1", "/home/ada/Documents", false, clock.now()}});
    EXPECT_FALSE(m.canBackUpNow()) << "no device folder and no drive";
    ASSERT_EQ(add(m, diskRoot / "Backups"), std::nullopt);
    ASSERT_TRUE(runUntil([&] { return m.canBackUpNow(); }));
    // Unplugged without a notice yet: the kept state still answers; the notice updates it.
    volumes.unmountAll();
    EXPECT_TRUE(m.canBackUpNow());
    volumeWatcher.unmounted(diskRoot);
    ASSERT_TRUE(runUntil([&] { return !m.canBackUpNow(); }));
}
