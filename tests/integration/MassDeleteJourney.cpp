#include "app/model/AppModel.h"
#include "app/model/RestoreModel.h"
#include "core/codec/Base64.h"
#include "design/button/OLButton.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "screens/overview/GlassOverview.h"
#include "screens/restore/RestoreDetailCard.h"
#include "screens/restore/RestoreView.h"
#include "screens/shell/BannerSlot.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/QtApp.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <set>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;
namespace fs = std::filesystem;

// The stored paths the portal holds, each file's sealed name ("IV.sealed", both base64) opened with the key.
std::multiset<std::string> storedPaths(LocalPortalControl& control, const std::string& email,
                                       const KeldraKey& key) {
    std::multiset<std::string> paths;
    for (const auto& file : control.files(email)) {
        const std::string sealed = file.at("encrypted_name").get<std::string>();
        const auto dot = sealed.find('.');
        const auto iv = base64Decode(sealed.substr(0, dot));
        const auto body = base64Decode(sealed.substr(dot + 1));
        if (dot == std::string::npos || !iv || !body) {
            paths.insert("(unreadable)");
            continue;
        }
        const Bytes opened = key.open(*body, *iv);
        paths.emplace(opened.begin(), opened.end());
    }
    return paths;
}

// The banner shown at the top of the current page, if any.
StateBanner* shownBanner(QWidget& window) {
    for (BannerSlot* slot : window.findChildren<BannerSlot*>()) {
        if (slot->isVisible() && slot->banner() && slot->banner()->isVisible()) {
            return slot->banner();
        }
    }
    return nullptr;
}

// The user deletes the backed-up Home folder from the Keldra on the Restore screen, while its files stay on
// the computer, and backs up: the run stops for review instead of uploading two dozen files again, and the
// banner's "Upload them again" brings them back.
TEST_F(KeldraJourney, MassDeleteStopsForReviewAndUploadsAgain) {
    NotificationRecorder desktop(std::chrono::milliseconds(0), NotificationRecorder::Name::desktop);
    ASSERT_TRUE(desktop.serving()) << "the session's notification name is taken";
    const fs::path documents = home() / "Documents";
    std::set<std::string> homeFiles;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "letter-" + std::to_string(i) + ".txt";
        writeFile(documents / name, "letter number " + std::to_string(i));
        homeFiles.insert("~/Documents/" + name);
    }
    // A folder outside the home folder, so the Restore tree shows "Home" beside it.
    const fs::path elsewhere = home().parent_path() / "elsewhere";
    writeFile(elsewhere / "a.txt", "kept a");
    writeFile(elsewhere / "b.txt", "kept b");

    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    MainWindow& window = keldra.shell().window();
    setUpAccount(documents, true);
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    QCoro::waitFor(model.addPickedSources({elsewhere}));
    const auto firstRun = model.lastRun()->id;
    model.perform(PrimaryAction::backUpNow);
    ASSERT_TRUE(runUntil([&] { return model.lastRun()->id != firstRun && !model.isRunning(); },
                         std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    const KeldraKey& key = *model.keldraKey();
    ASSERT_EQ(storedPaths(control(), email, key).size(), 26U);

    // Restore › Home › "Delete every version".
    ASSERT_TRUE(runUntil([&] { return window.isVisible(); }));
    auto* view = goTo<RestoreView>(window, AppSection::restore);
    ASSERT_TRUE(view);
    ASSERT_TRUE(waitForListing(*view));
    ASSERT_TRUE(clickRow(*view, "~"));
    EXPECT_EQ(view->model()->selection()->name, "Home");
    EXPECT_EQ(view->model()->selection()->fileCount, 24);
    auto* deleteButton = shownChild<QAbstractButton>(*view->detailCard(), "deleteButton");
    ASSERT_TRUE(deleteButton);
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return view->deleteDialog() && view->deleteDialog()->isVisible(); }));
    QMessageBox& dialog = *view->deleteDialog();
    EXPECT_EQ(dialog.informativeText().toStdString(),
              "This permanently deletes Home and all its versions from your Keldra. If it's still in a "
              "backed-up folder on this computer, it will be backed up again on the next run.");
    auto* deleteEveryVersion = dialog.findChild<QAbstractButton*>(QStringLiteral("deleteEveryVersion"));
    ASSERT_TRUE(deleteEveryVersion);
    QTest::mouseClick(deleteEveryVersion, Qt::LeftButton);
    RestoreModel& restore = *view->model();
    ASSERT_TRUE(runUntil([&] { return !restore.isDeleting() && restore.tree().size() == 1; }));
    EXPECT_EQ(view->deleteError(), std::nullopt);
    EXPECT_EQ(view->rows()->rowOf("~"), -1) << "Home is gone from the listing";
    EXPECT_EQ(storedPaths(control(), email, key).size(), 2U);

    // Back up now, from the Overview.
    auto* overview = goTo<GlassOverview>(window, AppSection::overview);
    ASSERT_TRUE(overview);
    OLButton* backUpNow = nullptr;
    ASSERT_TRUE(runUntil([&] {
        backUpNow = overview->primaryButton();
        return backUpNow && backUpNow->isVisible() && backUpNow->isEnabled();
    }));
    EXPECT_EQ(backUpNow->title(), QStringLiteral("Back up now"));
    const auto beforeDelete = model.lastRun()->id;
    QTest::mouseClick(backUpNow, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return model.lastRun()->id != beforeDelete && !model.isRunning(); },
                         std::chrono::seconds(60)));
    EXPECT_EQ(model.lastRun()->status, RunStatus::paused);
    ASSERT_TRUE(model.review());
    EXPECT_EQ(model.review()->kind, MassChangeReview::Kind::missingFromKeldra);
    EXPECT_EQ(model.review()->removed, 24);
    EXPECT_EQ(model.review()->protectedCount, 26);
    EXPECT_EQ(storedPaths(control(), email, key).size(), 2U) << "nothing is uploaded before the review";

    StateBanner* banner = nullptr;
    ASSERT_TRUE(runUntil([&] {
        banner = shownBanner(window);
        return banner &&
               banner->titleText()->text() == QStringLiteral("Backups are missing from your Keldra");
    })) << "the review banner never showed";
    EXPECT_EQ(
        banner->messageText()->text().toStdString(),
        "24 of 26 backed-up files aren't in the Keldra listing. If you deleted them on the web, upload them "
        "again. If not, contact support before continuing.");
    ASSERT_TRUE(banner->actionButton());
    EXPECT_EQ(banner->actionButton()->title(), QStringLiteral("Upload them again"));
    ASSERT_TRUE(banner->secondaryButton());
    EXPECT_EQ(banner->secondaryButton()->title(), QStringLiteral("Open web Keldra"));

    // The desktop is told once that the backup waits for a review.
    ASSERT_TRUE(runUntil([&] {
        for (const auto& notice : desktop.received()) {
            if (notice.summary == QStringLiteral("Backup paused for review")) {
                return true;
            }
        }
        return false;
    })) << "no review notification";
    int reviewNotices = 0;
    for (const auto& notice : desktop.received()) {
        if (notice.summary == QStringLiteral("Backup paused for review")) {
            ++reviewNotices;
            EXPECT_EQ(notice.body.toStdString(),
                      "Many backed-up files are missing from your Keldra. Check before "
                      "they're uploaded again.");
        }
    }
    EXPECT_EQ(reviewNotices, 1);

    const auto paused = model.lastRun()->id;
    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return model.lastRun()->id != paused && !model.isRunning(); },
                         std::chrono::seconds(60)));
    EXPECT_EQ(model.lastRun()->status, RunStatus::succeeded);
    EXPECT_EQ(model.review(), std::nullopt);
    std::multiset<std::string> expected(homeFiles.begin(), homeFiles.end());
    const std::string outside = elsewhere.string();
    expected.insert(outside + "/a.txt");
    expected.insert(outside + "/b.txt");
    EXPECT_EQ(storedPaths(control(), email, key), expected) << "every file is in the Keldra once again";
    EXPECT_TRUE(runUntil([&] {
        StateBanner* shown = shownBanner(window);
        return !shown || shown->titleText()->text() != QStringLiteral("Backups are missing from your Keldra");
    })) << "the review banner stays after the upload";
}

} // namespace
} // namespace keldra::test
