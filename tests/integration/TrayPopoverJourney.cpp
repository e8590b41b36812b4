#include "app/model/AppModel.h"
#include "design/button/OLButton.h"
#include "design/text/OLText.h"
#include "desktop/DesktopApplication.h"
#include "desktop/TrayController.h"
#include "screens/popover/PopoverWindow.h"
#include "screens/popover/TrayPopover.h"
#include "tests/integration/KeldraSession.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <fstream>

namespace keldra::test {
namespace {

using KeldraTray = KeldraSession;

// The window the tray host docked for the icon (Qt's own XEmbed icon window on X11).
QWidget* dockedIconWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && QByteArray(widget->metaObject()->className()) == "QSystemTrayIconSys") {
            return widget;
        }
    }
    return nullptr;
}

// A left click, a while after the one before: the two make no double click, and a press that takes the
// activation away from the popover is not the click that closed it.
void click(QWidget* icon) {
    QTest::qWait(400);
    QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(), QApplication::doubleClickInterval() + 100);
}

// A set-up user clicks the icon in the tray: the popover opens beside it, inside the screen, with the
// health and the one action; a second click on the icon closes it, a third opens it again, and its
// "Back up now" runs a backup.
TEST_F(KeldraTray, AClickOnTheIconOpensThePopoverBesideItAndItsActionBacksUp) {
    std::filesystem::create_directories(home() / "Projects");
    std::ofstream(home() / "Projects" / "plan.txt") << "plan";
    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    setUpAccount(home() / "Projects", true);
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::ready; }));
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    const auto firstRun = model.lastRun()->id;

    TrayController& tray = keldra.shell().tray();
    ASSERT_TRUE(runUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    ASSERT_TRUE(runUntil([&] { return dockedIconWindow() != nullptr; }));
    QWidget* icon = dockedIconWindow();
    PopoverWindow& window = *tray.popoverWindow();
    ASSERT_FALSE(window.isVisible());

    click(icon);
    ASSERT_TRUE(runUntil([&] { return window.isVisible(); }));
    drainEvents();
    EXPECT_EQ(window.width(), 360);
    const QRect iconArea(icon->mapToGlobal(QPoint(0, 0)), icon->size());
    const QScreen* screen = QGuiApplication::screenAt(iconArea.center());
    ASSERT_TRUE(screen);
    EXPECT_TRUE(screen->availableGeometry().contains(window.frameGeometry()))
        << "inside the screen's available area";
    EXPECT_FALSE(window.frameGeometry().intersects(iconArea)) << "beside the icon, not over it";
    TrayPopover* popover = tray.popover();
    ASSERT_TRUE(popover);
    EXPECT_EQ(popover->titleText()->text(), "Protected");
    ASSERT_TRUE(popover->primaryButton());
    EXPECT_EQ(popover->primaryButton()->title(), "Back up now");

    click(icon);
    EXPECT_TRUE(runUntil([&] { return !window.isVisible(); })) << "a click while open closes it";
    click(icon);
    ASSERT_TRUE(runUntil([&] { return window.isVisible(); })) << "and the next one opens it again";

    popover->primaryButton()->click();
    ASSERT_TRUE(
        runUntil([&] { return model.lastRun() && model.lastRun()->id != firstRun && !model.isRunning(); },
                 std::chrono::seconds(60)));
    EXPECT_EQ(model.lastRun()->status, RunStatus::succeeded);
}

} // namespace
} // namespace keldra::test
