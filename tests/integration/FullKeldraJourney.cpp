#include "app/model/AppModel.h"
#include "design/button/OLButton.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "desktop/MenuCommands.h"
#include "desktop/TrayController.h"
#include "desktop/TrayIconImages.h"
#include "screens/overview/GlassOverview.h"
#include "screens/root/ScreenHost.h"
#include "screens/shell/BannerSlot.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/QtApp.h"

#include <QAction>
#include <QApplication>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QTest>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;

const QString fullTitle = QStringLiteral("Keldra storage is full");
const QString fullBody = QStringLiteral("Some files weren't backed up because your Keldra is full.");

std::vector<NotificationRecorder::Notification> titled(const NotificationRecorder& desktop,
                                                       const QString& title) {
    std::vector<NotificationRecorder::Notification> found;
    for (const auto& notification : desktop.received()) {
        if (notification.summary == title) {
            found.push_back(notification);
        }
    }
    return found;
}

// A run after `before` has ended.
bool runEndedAfter(const AppModel& model, std::int64_t before) {
    return runUntil([&] { return model.lastRun() && model.lastRun()->id > before && !model.isRunning(); },
                    std::chrono::seconds(60));
}

// The Keldra fills up: its quota is lowered below what the next upload needs, and the user presses
// "Back up now". The file that doesn't fit stays out, and the window, the desktop notification and the tray
// all say the Keldra is full.
TEST_F(KeldraJourney, FullKeldra) {
    NotificationRecorder desktop(std::chrono::milliseconds(0), NotificationRecorder::Name::desktop);
    ASSERT_TRUE(desktop.serving()) << "the session's notification name is taken";
    const auto documents = home() / "Documents";
    for (const char* name : {"letter.txt", "budget.csv", "notes/monday.md"}) {
        writeFile(documents / name, std::string("contents of ") + name);
    }
    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    setUpAccount(documents, true);
    ASSERT_TRUE(runEndedAfter(model, 0));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    const std::int64_t firstRun = model.lastRun()->id;

    // What is stored fills the Keldra but for a few bytes; the new file needs more.
    std::int64_t used = 0;
    for (const auto& file : control().files(email)) {
        used += file.at("object_size").get<std::int64_t>();
    }
    ASSERT_GT(used, 0);
    control().updateAccount({{"email", email}, {"quota_bytes", used + 16}});
    writeFile(documents / "scan.pdf", std::string(64 * 1024, 's'));

    MainWindow& window = keldra.shell().window();
    QApplication::setActiveWindow(&window);
    GlassOverview* overview = shownWidget<GlassOverview>(window);
    ASSERT_TRUE(overview);
    OLButton* backUp = overview->primaryButton();
    ASSERT_TRUE(runUntil([&] { return backUp->isVisible() && backUp->title() == "Back up now"; }));
    QTest::mouseClick(backUp, Qt::LeftButton, {}, backUp->rect().center());
    ASSERT_TRUE(runEndedAfter(model, firstRun));
    drainEvents();

    EXPECT_EQ(control().files(email).size(), 3u) << "the file that doesn't fit was not stored";
    EXPECT_EQ(model.lastRun()->failed, 1);
    EXPECT_EQ(model.health().kind(), BackupHealth::Kind::storageFull);

    // The banner at the top of the page.
    BannerSlot* slot = shownWidget<BannerSlot>(window);
    ASSERT_TRUE(slot);
    ASSERT_TRUE(runUntil([&] { return slot->banner() != nullptr && slot->banner()->isVisible(); }));
    EXPECT_EQ(slot->bannerID(), "full");
    EXPECT_EQ(slot->banner()->titleText()->text(), fullTitle);
    EXPECT_EQ(slot->banner()->messageText()->text(),
              "Some files weren't backed up. Free up space in the web Keldra or choose a larger plan.");
    ASSERT_TRUE(slot->banner()->actionButton());
    EXPECT_EQ(slot->banner()->actionButton()->title(), "See plans");
    EXPECT_EQ(overview->titleText()->text(), "Storage full");
    OLText* sentence = overview->sentenceText();
    EXPECT_EQ(sentence->text(),
              "Your Keldra is full (1 KB of 1 KB). New and changed files aren't being backed up.");
    EXPECT_GE(sentence->height(), sentence->heightForWidth(sentence->width())) << "the sentence is cut off";

    // The desktop's notification, once.
    ASSERT_TRUE(runUntil([&] { return !titled(desktop, fullTitle).empty(); }));
    const auto notices = titled(desktop, fullTitle);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices.front().body, fullBody);
    EXPECT_EQ(notices.front().appName, "Orlivane Keldra Backup");
    EXPECT_EQ(notices.front().replacesId, 0u);

    // The tray icon the app owns shows the attention image.
    TrayController& tray = keldra.shell().tray();
    EXPECT_TRUE(tray.icon().isVisible());
    EXPECT_EQ(trayImageName(tray.image()), "tray-keldra-attention");
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    for (const int size : {16, 22, 32}) {
        EXPECT_EQ(
            tray.icon().icon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            drawTrayImage(TrayImage::attention, size, ink))
            << size << " px";
    }
    EXPECT_EQ(tray.icon().toolTip(), "Orlivane Keldra: Storage full");

    // The window as the user sees it now, kept in the build folder for a look.
    EXPECT_TRUE(keepPicture(window, "full-keldra-overview"));

    // Backing up again from the menu while still full: the notice replaces the one on screen.
    QAction* again = keldra.shell().menus().backUpNow();
    ASSERT_TRUE(again->isEnabled());
    const std::int64_t secondRun = model.lastRun()->id;
    again->trigger();
    ASSERT_TRUE(runEndedAfter(model, secondRun));
    ASSERT_TRUE(runUntil([&] { return titled(desktop, fullTitle).size() == 2; }));
    const auto replaced = titled(desktop, fullTitle);
    EXPECT_EQ(replaced.back().replacesId, notices.front().id);
    EXPECT_EQ(replaced.back().body, fullBody);
    EXPECT_EQ(control().files(email).size(), 3u);
}

} // namespace
} // namespace keldra::test
