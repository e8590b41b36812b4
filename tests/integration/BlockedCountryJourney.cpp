#include "app/model/AppModel.h"
#include "design/button/OLButton.h"
#include "design/text/OLText.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "desktop/TrayController.h"
#include "desktop/TrayIconImages.h"
#include "screens/overview/GlassOverview.h"
#include "screens/root/ScreenHost.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <QTest>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;

const QString blockedTitle = QStringLiteral("Blocked by country rule");
const QString blockedBody =
    QStringLiteral("Your Keldra's country rule blocks access from this connection. If "
                   "you're on a VPN, switch to a server in an allowed country.");

// The user travels: the connection now appears in a country the account's rule blocks. "Back up now" is
// refused by the Keldra, the Overview says why and the desktop is told; nothing leaves the computer.
TEST_F(KeldraJourney, BlockedCountry) {
    NotificationRecorder desktop(std::chrono::milliseconds(0), NotificationRecorder::Name::desktop);
    ASSERT_TRUE(desktop.serving()) << "the session's notification name is taken";
    const auto documents = home() / "Documents";
    writeFile(documents / "itinerary.txt", "Lisbon, then Porto");
    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    setUpAccount(documents, true);
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    const std::int64_t firstRun = model.lastRun()->id;

    control().setCountry("PT");
    control().updateAccount(
        {{"email", email}, {"geo_rule", {{"action", "block"}, {"blocked_countries", {"PT"}}}}});
    writeFile(documents / "boarding-pass.pdf", "seat 14C");
    control().resetStats();

    MainWindow& window = keldra.shell().window();
    QApplication::setActiveWindow(&window);
    GlassOverview* overview = shownWidget<GlassOverview>(window);
    ASSERT_TRUE(overview);
    OLButton* backUp = overview->primaryButton();
    ASSERT_TRUE(runUntil([&] { return backUp->isVisible() && backUp->title() == "Back up now"; }));
    QTest::mouseClick(backUp, Qt::LeftButton, {}, backUp->rect().center());
    ASSERT_TRUE(
        runUntil([&] { return model.lastRun() && model.lastRun()->id > firstRun && !model.isRunning(); },
                 std::chrono::seconds(60)));
    drainEvents();

    EXPECT_EQ(model.health(), BackupHealth::blocked(BlockReason::geoBlocked(false)));
    // The headline and the sentence under it.
    ASSERT_TRUE(runUntil([&] { return overview->titleText()->text() == blockedTitle; }))
        << overview->titleText()->text().toStdString();
    EXPECT_EQ(overview->sentenceText()->text(), blockedBody);
    EXPECT_GE(overview->sentenceText()->height(),
              overview->sentenceText()->heightForWidth(overview->sentenceText()->width()))
        << "the sentence is cut off";
    EXPECT_EQ(backUp->title(), "Try again");

    // The window as the user sees it now, kept in the build folder for a look.
    EXPECT_TRUE(keepPicture(window, "blocked-country-overview"));

    ASSERT_TRUE(runUntil([&] {
        const auto received = desktop.received();
        return std::any_of(received.begin(), received.end(),
                           [](const auto& notification) { return notification.summary == blockedTitle; });
    }));
    std::vector<NotificationRecorder::Notification> blocked;
    for (const auto& notification : desktop.received()) {
        if (notification.summary == blockedTitle) {
            blocked.push_back(notification);
        }
    }
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(blocked.front().body, blockedBody);
    EXPECT_EQ(blocked.front().appName, "Orlivane Keldra Backup");

    // Nothing was uploaded: no upload was even asked for, and the Keldra holds only the first backup.
    EXPECT_EQ(control().requestCount("upload-url"), 0);
    EXPECT_EQ(control().requestCount("upload-confirm"), 0);
    EXPECT_EQ(control().files(email).size(), 1u);
    EXPECT_EQ(trayImageName(keldra.shell().tray().image()), "tray-keldra-attention");
}

} // namespace
} // namespace keldra::test
