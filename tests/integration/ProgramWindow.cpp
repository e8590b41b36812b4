#include "tests/integration/ProgramWindow.h"

#include "core/seams/KeyValueStore.h"
#include "desktop/WindowPlacement.h"
#include "tests/integration/ScreenPictures.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingLogger.h"

#include <QMenuBar>
#include <QThread>
#include <csignal>
#include <sys/wait.h>

namespace keldra::test {

namespace {

using namespace std::chrono_literals;

QString keptPicture(const char* kind, const QString& name) {
    return QString::fromStdString((screenshotFolder(kind) / name.toStdString()).string());
}

// Where the pointer waits between clicks: off the window and off the tray.
const QStringList pointerAway{QStringLiteral("mousemove"), QStringLiteral("1590"), QStringLiteral("990")};

} // namespace

int KeldraProgramWindow::menuBarHeight() {
    QMenuBar bar;
    bar.addMenu(QStringLiteral("File"));
    return bar.sizeHint().height();
}

void KeldraProgramWindow::placeWindow(QSize content) {
    RecordingLogger logger;
    std::filesystem::create_directories(configHome() / "orlivane-keldra");
    FileKeyValueStore defaults(configHome() / "orlivane-keldra" / "defaults.json", logger);
    WindowPlacement placement;
    placement.geometry = QRect(windowPlace, windowSize(content));
    ASSERT_TRUE(defaults.setValue(WindowPlacement::key, placement.toJson()));
    content_ = QRect(windowPlace + QPoint(0, menuBarHeight()), content);
}

pid_t KeldraProgramWindow::start() {
    const pid_t pid = startProgram({});
    const bool shown = runUntil(
        [&] {
            QThread::msleep(100);
            const auto found =
                xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
                         QStringLiteral("^Orlivane Keldra$")});
            window_ = found ? found->section(QLatin1Char('\n'), 0, 0).trimmed() : QString();
            return !window_.isEmpty();
        },
        30s);
    EXPECT_TRUE(shown) << "the window did not open";
    return pid;
}

void KeldraProgramWindow::stop(pid_t pid) {
    kill(pid, SIGTERM);
    const auto status = waitForProgram(pid);
    ASSERT_TRUE(status.has_value()) << "keldra did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
}

QImage KeldraProgramWindow::settle() {
    QImage last;
    QImage display;
    const bool still = runUntil(
        [&] {
            QThread::msleep(400);
            display = grabDisplay();
            const QImage now = display.copy(content_);
            const bool same = !last.isNull() && onlyCaret(difference(now, last));
            last = now;
            return same;
        },
        20s);
    EXPECT_TRUE(still) << "the window kept changing";
    return display;
}

void KeldraProgramWindow::capture(const QString& name) {
    const QImage display = settle();
    EXPECT_TRUE(display.save(keptPicture("window", name))) << name.toStdString();
    EXPECT_TRUE(showsTrayIcon(display)) << "no tray icon on " << name.toStdString();
}

void KeldraProgramWindow::expectGalleryPicture(const QString& entry, OLStyle style, OLAccent accent,
                                               QRect region) {
    const QImage expected = galleryScreen(galleryPicture(entry, style, accent));
    ASSERT_FALSE(expected.isNull()) << "keldra-gallery drew no " << entry.toStdString();
    ASSERT_EQ(expected.size(), content_.size()) << entry.toStdString();
    const QRect compared = region.isNull() ? expected.rect() : region;
    QImage display;
    QImage shown;
    PictureDifference found;
    const bool same = runUntil(
        [&] {
            QThread::msleep(200);
            display = grabDisplay();
            shown = display.copy(content_);
            found = difference(shown.copy(compared), expected.copy(compared));
            return onlyCaret(found);
        },
        20s);
    const QString name = pictureName(entry, style, accent);
    EXPECT_TRUE(display.save(keptPicture("window", name)));
    EXPECT_TRUE(differencePicture(shown, expected).save(keptPicture("diff", name)));
    EXPECT_TRUE(same) << name.toStdString() << ": " << found.pixels << " pixels differ within ("
                      << found.bounds.x() << ", " << found.bounds.y() << ", " << found.bounds.width() << " × "
                      << found.bounds.height() << "); see " << keptPicture("diff", name).toStdString();
    EXPECT_TRUE(showsTrayIcon(display)) << "no tray icon on " << name.toStdString();
}

void KeldraProgramWindow::click(QPoint inContent) {
    const QPoint at = content_.topLeft() + inContent;
    EXPECT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                         QStringLiteral("click"), QStringLiteral("1")}));
    EXPECT_TRUE(xdotool(pointerAway));
}

void KeldraProgramWindow::press(const QString& keys) {
    EXPECT_TRUE(xdotool({QStringLiteral("windowfocus"), window_}));
    EXPECT_TRUE(xdotool({QStringLiteral("key"), keys}));
}

} // namespace keldra::test
