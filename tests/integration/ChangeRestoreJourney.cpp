#include "app/model/AppModel.h"
#include "app/model/RestoreModel.h"
#include "design/button/OLButton.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "screens/restore/RestoreDetailCard.h"
#include "screens/restore/RestoreView.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <QTest>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;

// A backed-up file is edited and backed up again with Ctrl+B; on the Restore screen the user picks the file,
// its older version and "Another folder…", and restores: the first version comes back there, and the newer
// copy in its place is left as it is.
TEST_F(KeldraJourney, ChangeAndRestoreAnOlderVersion) {
    const auto projects = home() / "Projects";
    const auto plan = projects / "plan.txt";
    const std::string first = "first plan: sail west\n";
    const std::string second = "second plan: sail east, then north, and write it all down\n";
    writeFile(plan, first);
    writeFile(projects / "notes" / "monday.md", "monday");
    const auto restored = home() / "Restored";
    std::filesystem::create_directories(restored);

    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    MainWindow& window = keldra.shell().window();
    setUpAccount(projects, true);
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    const auto firstRun = model.lastRun()->id;

    writeFile(plan, second);
    ASSERT_TRUE(runUntil([&] { return window.isVisible(); }));
    ASSERT_TRUE(bringForward(window));
    QTest::keyClick(&window, Qt::Key_B, Qt::ControlModifier);
    ASSERT_TRUE(
        runUntil([&] { return model.lastRun() && model.lastRun()->id != firstRun && !model.isRunning(); },
                 std::chrono::seconds(60)))
        << "Ctrl+B started no backup";
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);

    auto* view = goTo<RestoreView>(window, AppSection::restore);
    ASSERT_TRUE(view);
    ASSERT_TRUE(waitForListing(*view));
    // Everything backed up lies in the home folder, so the tree starts with its contents.
    ASSERT_TRUE(clickRow(*view, "~/Projects"));
    ASSERT_TRUE(clickRow(*view, "~/Projects/plan.txt"));
    RestoreModel& restore = *view->model();
    ASSERT_EQ(restore.selection()->versions.size(), 2U) << "both backed-up versions are listed";
    const FlexID older = restore.selection()->versions[1].file.id;

    // The versions, newest first: the second row is the first version.
    RestoreDetailCard& card = *view->detailCard();
    ASSERT_TRUE(runUntil([&] {
        const auto rows = card.findChildren<VersionRow*>();
        return rows.size() == 2 && rows[1]->isVisible();
    }));
    QTest::mouseClick(card.findChildren<VersionRow*>()[1], Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return restore.selectedVersionID() == older; }));

    auto* anotherFolder = shownChild<DestinationOption>(card, "folderOption");
    ASSERT_TRUE(anotherFolder);
    EXPECT_EQ(anotherFolder->title(), QStringLiteral("Another folder\u2026"));
    QTest::mouseClick(anotherFolder, Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(restored));
    ASSERT_TRUE(runUntil([&] { return !restore.destinationIsOriginal(); }));
    ASSERT_EQ(restore.destinationFolder(), restored);

    auto* restoreButton = shownChild<OLButton>(card, "restoreButton");
    ASSERT_TRUE(restoreButton);
    QTest::mouseClick(restoreButton, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return restore.summary() && !restore.isRestoring(); }));
    EXPECT_EQ(restore.summary()->restored, 1);
    EXPECT_TRUE(restore.summary()->failures.empty());
    EXPECT_FALSE(restore.summary()->cancelled);

    // The one file written into the chosen folder holds the first version's bytes.
    std::vector<std::filesystem::path> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(restored)) {
        if (entry.is_regular_file()) {
            written.push_back(entry.path());
        }
    }
    ASSERT_EQ(written.size(), 1U);
    EXPECT_EQ(written.front().filename(), "plan.txt");
    EXPECT_EQ(readFile(written.front()), first);
    EXPECT_EQ(readFile(plan), second) << "the newer copy is untouched";
}

} // namespace
} // namespace keldra::test
