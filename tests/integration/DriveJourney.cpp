#include "app/model/AppModel.h"
#include "app/model/RestoreModel.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLMenuPicker.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "screens/backups/BackupsView.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/backups/DriveRow.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "screens/restore/RestoreDetailCard.h"
#include "screens/restore/RestoreView.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/QtApp.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <map>
#include <random>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;
namespace fs = std::filesystem;

// Every file below `folder` by its path relative to it, with its bytes.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
        }
    }
    return files;
}

// The folder named `name` somewhere below `root`; empty when there is none.
fs::path findFolder(const fs::path& root, const std::string& name) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory() && entry.path().filename() == name) {
            return entry.path();
        }
    }
    return {};
}

// keldra-drive-restore, the tool that reads a drive without the app, with the passphrase on its standard
// input: its exit code, or -1 when it did not finish.
int runDriveRestoreTool(const QStringList& arguments, const std::string& passphrase, QString* output) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    // Started as a user starts it: the file itself, with the interpreter its first line names.
    tool.start(QStringLiteral(KELDRA_SOURCE_DIR "/tools/keldra-drive-restore"), arguments);
    if (!tool.waitForStarted()) {
        return -1;
    }
    tool.write(QByteArray::fromStdString(passphrase + "\n"));
    tool.closeWriteChannel();
    const bool finished =
        runUntil([&] { return tool.state() == QProcess::NotRunning; }, std::chrono::seconds(60));
    *output = QString::fromUtf8(tool.readAll());
    return finished && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

// The user adds a folder as a backup drive on the Backups page (the app copies to it at once) and copies to
// it again with "Copy now"; the drive then holds the backup in the format any reader of it knows, and a
// restore of the folder from the drive source brings back every byte.
TEST_F(KeldraJourney, CopyToADriveAndRestoreFromIt) {
    const fs::path projects = home() / "Projects";
    std::string blob(300 * 1024, '\0');
    std::mt19937 random(27);
    for (char& byte : blob) {
        byte = static_cast<char>(random() & 0xFF);
    }
    writeFile(projects / "plan.txt", "sail west\n");
    writeFile(projects / "notes" / "monday.md", "# Monday\n");
    writeFile(projects / "notes" / "caf\xC3\xA9 menu.txt", "coffee, tea\n");
    writeFile(projects / "images" / "photo.raw", blob);
    writeFile(projects / "empty.txt", "");
    // A drive is any folder on a mounted volume: this one sits beside the home folder.
    const fs::path drive = home().parent_path() / "drive";
    const fs::path restored = home() / "Restored";
    fs::create_directories(drive);
    fs::create_directories(restored);

    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    MainWindow& window = keldra.shell().window();
    setUpAccount(projects, true);
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    ASSERT_TRUE(runUntil([&] { return window.isVisible(); }));

    auto* backups = goTo<BackupsView>(window, AppSection::backups);
    ASSERT_TRUE(backups);
    DestinationsSection& destinations = *backups->destinations();
    QTest::mouseClick(destinations.addButton(), Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(drive));
    ASSERT_TRUE(runUntil([&] { return model.destinations().size() == 1; }));
    EXPECT_EQ(destinations.addError(), std::nullopt);
    const std::string driveID = model.destinations().front().id;
    auto copied = [&] {
        const auto state = model.driveStates().find(driveID);
        return !model.isRunning() && state != model.driveStates().end() && state->second.lastSuccess;
    };
    ASSERT_TRUE(runUntil(copied, std::chrono::seconds(60))) << "the new drive got no first copy";
    const SystemTime firstCopy = *model.driveStates().at(driveID).lastAttempt;

    // "Copy now" on the drive's row copies again.
    OLIconButton* copyNow = nullptr;
    ASSERT_TRUE(runUntil([&] {
        copyNow = destinations.rows().size() == 1 ? destinations.rows().front()->copyNowButton() : nullptr;
        return copyNow != nullptr && copyNow->isVisible() && copyNow->isEnabled();
    }));
    QTest::mouseClick(copyNow, Qt::LeftButton);
    ASSERT_TRUE(runUntil(
        [&] {
            const DriveState& state = model.driveStates().at(driveID);
            return copied() && state.lastAttempt && *state.lastAttempt > firstCopy;
        },
        std::chrono::seconds(60)))
        << "Copy now started no copy";
    const DriveState& state = model.driveStates().at(driveID);
    EXPECT_FALSE(state.lastFailed);
    EXPECT_EQ(state.problem, std::nullopt);
    EXPECT_EQ(state.files, 5);

    // The drive's layout: the header, the note for a finder without the app, and one device folder with
    // its description and its objects. Names and contents appear nowhere in plain text.
    const fs::path backupRoot = drive / "Orlivane Keldra Backup";
    EXPECT_TRUE(fs::is_regular_file(backupRoot / "backup.json"));
    EXPECT_TRUE(fs::is_regular_file(backupRoot / "README.txt"));
    std::vector<fs::path> devices;
    for (const auto& entry : fs::directory_iterator(backupRoot / "devices")) {
        devices.push_back(entry.path());
    }
    ASSERT_EQ(devices.size(), 1U);
    EXPECT_TRUE(fs::is_regular_file(devices.front() / "device.json"));
    int objects = 0;
    for (const auto& entry : fs::recursive_directory_iterator(devices.front() / "objects")) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().extension(), ".olo") << entry.path();
            EXPECT_EQ(readFile(entry.path()).find("sail west"), std::string::npos);
            ++objects;
        }
    }
    EXPECT_EQ(objects, 5);
    // The tool that reads the drive without the app gets every file back from it.
    const fs::path byTool = home().parent_path() / "by-tool";
    QString toolOutput;
    ASSERT_EQ(runDriveRestoreTool(
                  {QString::fromStdString(backupRoot.string()), QString::fromStdString(byTool.string())},
                  passphrase, &toolOutput),
              0)
        << toolOutput.toStdString();
    EXPECT_EQ(contentsOf(byTool / "Home" / "Projects"), contentsOf(projects));

    // Restore: the drive is offered beside the Keldra; its listing is restored into another folder.
    auto* view = goTo<RestoreView>(window, AppSection::restore);
    ASSERT_TRUE(view);
    RestoreModel& restore = *view->model();
    ASSERT_TRUE(waitForListing(*view));
    OLMenuPicker* picker = nullptr;
    ASSERT_TRUE(runUntil([&] {
        picker = view->sourcePicker();
        return picker != nullptr && picker->isVisible();
    })) << "no source picker beside the Keldra";
    QTest::mouseClick(picker, Qt::LeftButton);
    QMenu* menu = picker->menu();
    ASSERT_TRUE(runUntil([&] { return menu->isVisible(); }));
    QAction* driveOption = nullptr;
    for (QAction* action : menu->actions()) {
        if (!action->text().startsWith(QStringLiteral("Keldra \u203A "))) {
            driveOption = action;
        }
    }
    ASSERT_TRUE(driveOption) << "the drive is not offered";
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(driveOption).center());
    ASSERT_TRUE(runUntil([&] {
        return restore.listedSource() && restore.listedSource()->isDrive() && !restore.isLoading() &&
               view->rows()->rowOf("~/Projects") >= 0;
    }));
    ASSERT_EQ(restore.loadError(), std::nullopt);

    ASSERT_TRUE(clickRow(*view, "~/Projects"));
    RestoreDetailCard& card = *view->detailCard();
    auto* anotherFolder = shownChild<DestinationOption>(card, "folderOption");
    ASSERT_TRUE(anotherFolder);
    QTest::mouseClick(anotherFolder, Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(restored));
    ASSERT_TRUE(runUntil([&] { return !restore.destinationIsOriginal(); }));
    ASSERT_EQ(restore.destinationFolder(), restored);
    auto* restoreButton = shownChild<OLButton>(card, "restoreButton");
    ASSERT_TRUE(restoreButton);
    QTest::mouseClick(restoreButton, Qt::LeftButton);
    ASSERT_TRUE(
        runUntil([&] { return restore.summary() && !restore.isRestoring(); }, std::chrono::seconds(60)));
    EXPECT_EQ(restore.summary()->restored, 5);
    EXPECT_TRUE(restore.summary()->failures.empty());

    const fs::path copy = findFolder(restored, "Projects");
    ASSERT_FALSE(copy.empty()) << "nothing was restored";
    EXPECT_EQ(contentsOf(copy), contentsOf(projects));
}

} // namespace
} // namespace keldra::test
