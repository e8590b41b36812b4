#include "app/model/AppModel.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "desktop/TrayController.h"
#include "tests/integration/KeldraSession.h"
#include "tests/support/QtApp.h"

#include <QSystemTrayIcon>
#include <sys/wait.h>

namespace keldra::test {
namespace {

using KeldraLaunch = KeldraSession;

bool exitedWithZero(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// Started at login Keldra sits in the tray with no window. A launch of the program then brings that window
// forward and exits; a second start at login only exits.
TEST_F(KeldraLaunch, ASecondLaunchBringsTheFirstWindowForwardAndExits) {
    KeldraInstance& first = launch({"--autostart"});
    ASSERT_TRUE(first.isPrimary());
    MainWindow& window = first.shell().window();
    EXPECT_FALSE(window.isVisible());
    // The tray host of the virtual display docks the icon.
    ASSERT_TRUE(runUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    EXPECT_TRUE(runUntil([&] { return first.shell().tray().icon().isVisible(); }));
    EXPECT_TRUE(runUntil([&] { return first.model().phase() == AppPhase::signedOut; }));

    const pid_t second = startProgram({});
    EXPECT_TRUE(exitedWithZero(waitForProgram(second)));
    EXPECT_TRUE(runUntil([&] { return window.isVisible(); }));
    EXPECT_EQ(window.windowTitle(), "Orlivane Keldra");

    window.close();
    drainEvents();
    ASSERT_FALSE(window.isVisible()) << "closing only hides";
    const pid_t atLogin = startProgram({"--autostart"});
    EXPECT_TRUE(exitedWithZero(waitForProgram(atLogin)));
    drainEvents();
    EXPECT_FALSE(window.isVisible());

    // With the window closed, a launch reopens it.
    const pid_t third = startProgram({});
    EXPECT_TRUE(exitedWithZero(waitForProgram(third)));
    EXPECT_TRUE(runUntil([&] { return window.isVisible(); }));
}

} // namespace
} // namespace keldra::test
