#include "tests/app/model/RunFixture.h"

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelDevice : public RunFixture {
protected:
    // Signed in during set-up, with the computer's model read from a fixture that names no model.
    AppModel& settingUp() {
        std::ofstream(temp.path() / "product_name") << "To Be Filled By O.E.M.\n";
        names.productNameFile = temp.path() / "product_name";
        names.machineInfoFile = temp.path() / "no-machine-info";
        names.hostName = [] {
            return std::string();
        };
        createAccount();
        storeSession(signedInSession());
        AppServices withNames = services();
        withNames.computerNames = names;
        model = std::make_unique<AppModel>(withNames);
        EXPECT_TRUE(runUntil([&] { return model->phase() == AppPhase::setup; }));
        return *model;
    }

    std::vector<nlohmann::json> topLevelBackups() {
        KeldraAPI client(clock, sleeper, baseUrl());
        client.setToken(control().issueToken(email));
        std::vector<nlohmann::json> found;
        for (const KeldraFolder& folder :
             client.listFiles(std::nullopt).folders.value_or(std::vector<KeldraFolder>{})) {
            if (folder.name == "Backups") {
                found.push_back({{"id", folder.id.raw}});
            }
        }
        return found;
    }

    std::int64_t folderID(const nlohmann::json& folder) { return folder.at("id").get<std::int64_t>(); }

    ComputerNameSources names;
};

std::vector<std::string> paths(const std::vector<BackupSource>& sources) {
    std::vector<std::string> out;
    for (const BackupSource& source : sources) {
        out.push_back(source.path + (source.isFile ? " (file)" : ""));
    }
    return out;
}

} // namespace

TEST_F(AppModelDevice, ANewDeviceFolderGetsAFreeNameBelowATopLevelBackupsFolder) {
    AppModel& m = settingUp();
    ASSERT_EQ(BackupSettings::defaultDeviceName(names), "Computer");
    // A "Backups" folder inside another one is not the root.
    const auto other = control().createFolder(email, "Archive");
    control().createFolder(email, "Backups", folderID(other));

    await(m.loadDevices());
    EXPECT_TRUE(m.existingDevices().empty());

    EXPECT_EQ(await(m.chooseDeviceFolder("")), std::nullopt);
    const auto roots = topLevelBackups();
    ASSERT_EQ(roots.size(), 1u) << "a new root at the top level";
    EXPECT_EQ(m.settings().backupsFolderID, roots[0].at("id").get<std::string>());
    EXPECT_EQ(m.settings().deviceName, "Computer");
    EXPECT_FALSE(m.isWorking());

    EXPECT_EQ(await(m.chooseDeviceFolder(" \n")), std::nullopt);
    EXPECT_EQ(m.settings().deviceName, "Computer 2");
    EXPECT_EQ(await(m.chooseDeviceFolder("")), std::nullopt);
    EXPECT_EQ(m.settings().deviceName, "Computer 3");
    EXPECT_EQ(await(m.chooseDeviceFolder("  Studio  ")), std::nullopt);
    EXPECT_EQ(m.settings().deviceName, "Studio");
    EXPECT_EQ(topLevelBackups().size(), 1u) << "the root is found again, not made twice";

    await(m.loadDevices());
    std::vector<std::string> shown;
    for (const KeldraFolder& folder : m.existingDevices()) {
        shown.push_back(folder.name);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Computer", "Computer 2", "Computer 3", "Studio"}));
    // What is chosen is kept for the account.
    EXPECT_EQ(BackupSettings::load(*defaults, scopeKey(email)).deviceFolderID, m.settings().deviceFolderID);
}

TEST_F(AppModelDevice, AFailedCreationChangesNothingAndAHoldIsTold) {
    AppModel& m = settingUp();
    const BackupSettings before = m.settings();
    control().updateAccount({{"email", email}, {"suspended", true}});
    const auto message = await(m.chooseDeviceFolder("Studio"));
    ASSERT_TRUE(message);
    EXPECT_FALSE(message->empty());
    EXPECT_EQ(m.settings(), before);
    EXPECT_FALSE(m.isWorking());
    ASSERT_TRUE(m.block());
    EXPECT_TRUE(m.block()->is<BlockReason::Suspended>());
    EXPECT_EQ(notifier.count("suspended"), 1u);
}

TEST_F(AppModelDevice, OnlyAnotherDeviceFolderForgetsWhatWasUploaded) {
    writeHomeFile("a.txt", "alpha");
    AppModel& m = ready();
    runAndWait(m);
    const std::string path = "~/a.txt";
    ASSERT_TRUE(m.index()->file(path));

    KeldraFolder same;
    same.id = FlexID(*m.settings().deviceFolderID);
    same.name = "Computer";
    EXPECT_EQ(await(m.chooseDeviceFolder("ignored", same)), std::nullopt);
    EXPECT_TRUE(m.index()->file(path)) << "the same folder keeps the index";

    const auto other = control().createFolder(email, "Laptop", std::stoll(*m.settings().backupsFolderID));
    KeldraFolder another;
    another.id = FlexID(folderID(other));
    another.name = "Laptop";
    EXPECT_EQ(await(m.chooseDeviceFolder("ignored", another)), std::nullopt);
    EXPECT_FALSE(m.index()->file(path));
    EXPECT_EQ(m.settings().deviceName, "Laptop");
    EXPECT_EQ(m.settings().deviceFolderID, std::to_string(folderID(other)));
}

TEST_F(AppModelDevice, AddedSourcesNeverOverlapAndStaySorted) {
    AppModel& m = settingUp();
    const std::filesystem::path h = home();
    std::filesystem::create_directories(h / "Documents/Work");
    std::filesystem::create_directories(h / "Doc");
    std::filesystem::create_directories(h / "music");
    writeHomeFile("Documents/x.txt", "x");
    struct Case {
        const char* name;
        std::vector<std::filesystem::path> added;
        std::vector<std::string> expected;
    };
    const std::string d = (h / "Documents").string();
    const std::vector<Case> cases{
        {"a folder and a file inside it",
         {h / "Documents/Work", h / "Documents/x.txt"},
         {d + "/Work", d + "/x.txt (file)"}},
        {"their folder replaces both", {h / "Documents"}, {d}},
        {"inside a folder source: nothing", {h / "Documents/Work/", h / "Documents/./x.txt"}, {d}},
        {"a sibling whose name starts the same", {h / "Doc"}, {(h / "Doc").string(), d}},
        {"natural order of the home forms",
         {h / "music", h / "Documents/../Doc"},
         {(h / "Doc").string(), d, (h / "music").string()}},
        {"a path that cannot be read is a folder",
         {h / "gone"},
         {(h / "Doc").string(), d, (h / "gone").string(), (h / "music").string()}},
        {"the root replaces everything", {"/"}, {"/"}},
        {"nothing below the root is added again", {h, "/etc/hostname"}, {"/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        await(m.addPickedSources(c.added));
        EXPECT_EQ(paths(m.sources()), c.expected);
        EXPECT_EQ(BackupSource::loadAll(*defaults, scopeKey(email)), m.sources()) << "saved for the account";
    }

    const std::string rootID = m.sources().front().id;
    m.removeSource("no such id");
    EXPECT_EQ(m.sources().size(), 1u);
    m.removeSource(rootID);
    EXPECT_TRUE(m.sources().empty());
    EXPECT_TRUE(BackupSource::loadAll(*defaults, scopeKey(email)).empty());

    const auto suggested = m.suggestedFolders();
    ASSERT_EQ(suggested.size(), 3u);
    EXPECT_EQ(suggested[0], (std::pair<std::string, std::filesystem::path>{"Documents", h / "Documents"}));
    EXPECT_EQ(suggested[2].first, "Pictures");
}

TEST_F(AppModelDevice, FinishingSetUpLiftsThePauseAndResumingDeletesItsMark) {
    AppModel& m = settingUp();
    m.setPaused(true);
    EXPECT_TRUE(metaBecomes(m, "pausedByUser", "1"));
    m.setPaused(false);
    EXPECT_TRUE(metaBecomes(m, "pausedByUser", std::nullopt)) << "removed, never \"0\"";

    m.setPaused(true);
    await(m.finishSetup(false, true));
    EXPECT_FALSE(loginItem.isLoginItemEnabled());
    EXPECT_EQ(loginItem.changes(), 0);
    EXPECT_EQ(m.phase(), AppPhase::ready);
    EXPECT_EQ(m.section(), AppSection::overview);
    EXPECT_FALSE(m.pausedByUser());
    EXPECT_TRUE(metaBecomes(m, "pausedByUser", std::nullopt));
    EXPECT_TRUE(BackupSettings::load(*defaults, scopeKey(email)).setupComplete);
    EXPECT_FALSE(m.isRunning()) << "no key and no sources: the first run is refused quietly";
}

// "Notify me about problems" at the end of set-up is kept: off, the app posts no desktop notification, in
// this process and the next; on, it posts them again.
TEST_F(AppModelDevice, TheSetUpsNotificationChoiceIsKeptAndHonoured) {
    const struct {
        bool notifications;
        std::size_t posted;
    } cases[] = {{false, 0}, {true, 1}};
    createAccount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notifications);
        AppModel& m = signedIn();
        await(m.finishSetup(false, c.notifications));
        const std::size_t before = notifier.count("suspended");
        m.handleBlock(BlockReason::suspended());
        EXPECT_EQ(notifier.count("suspended") - before, c.posted);

        model.reset();
        drainEvents();
        AppModel& next = start();
        next.handleBlock(BlockReason::suspended());
        EXPECT_EQ(notifier.count("suspended") - before, 2 * c.posted) << "the choice is kept";
        model.reset();
        drainEvents();
    }
}
