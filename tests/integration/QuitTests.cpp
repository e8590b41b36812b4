#include "desktop/MainWindow.h"
#include "tests/integration/ProgramWindow.h"
#include "tests/integration/ScreenPictures.h"

#include <sys/wait.h>

namespace keldra::test {
namespace {

using KeldraQuit = KeldraProgramWindow;

bool exitedWithZero(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// With its window open and its icon docked in the tray, keldra ends on File › Quit (Ctrl+Q) and on SIGTERM:
// the window only hides when asked to close, which must not hold the quit back.
TEST_F(KeldraQuit, QuitEndsTheProgramWithItsWindowOpen) {
    placeWindow({MainWindow::defaultWidth, MainWindow::defaultHeight});
    pid_t keldra = start();
    ASSERT_TRUE(showsTrayIcon(settle()));
    press(QStringLiteral("ctrl+q"));
    EXPECT_TRUE(exitedWithZero(waitForProgram(keldra))) << "File › Quit did not end keldra";

    keldra = start();
    ASSERT_TRUE(showsTrayIcon(settle()));
    stop(keldra);
}

} // namespace
} // namespace keldra::test
