#include "app/model/AppModel.h"
#include "app/shell/DesktopApplication.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WindowPlacement.h"
#include "core/seams/KeyValueStore.h"
#include "design/controls/OLSegmented.h"
#include "design/theme/OLSpace.h"
#include "onboarding/settings/SettingsTab.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreView.h"
#include "screens/root/RootView.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/ScreenPictures.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <QListView>
#include <QMenuBar>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <qcoro/qcorotask.h>
#include <sys/wait.h>

namespace keldra::test {
namespace {

using namespace std::chrono_literals;

// The menu bar above the window's content, as keldra draws it in the same style.
int menuBarHeight() {
    QMenuBar bar;
    bar.addMenu(QStringLiteral("File"));
    return bar.sizeHint().height();
}

// The keldra program photographed on the virtual display: its window placed (through the placement it
// keeps in its defaults) so that its content has the size of the gallery's picture of the same screen, and
// driven from outside with the pointer and the keyboard.
class KeldraScreenshots : public KeldraSession {
protected:
    // Under the tray's strip along the top edge.
    static constexpr QPoint windowPlace{0, 40};

    // The next start opens the window with content of this size.
    void placeWindow(QSize content) {
        RecordingLogger logger;
        std::filesystem::create_directories(configHome() / "orlivane-keldra");
        FileKeyValueStore defaults(configHome() / "orlivane-keldra" / "defaults.json", logger);
        WindowPlacement placement;
        placement.geometry = QRect(windowPlace, windowSize(content));
        ASSERT_TRUE(defaults.setValue(WindowPlacement::key, placement.toJson()));
        content_ = QRect(windowPlace + QPoint(0, menuBarHeight()), content);
    }
    static QSize windowSize(QSize content) { return {content.width(), content.height() + menuBarHeight()}; }

    // The keldra program, once its window is on the display.
    pid_t start() {
        const pid_t pid = startProgram({});
        const bool shown = runUntil(
            [&] {
                QThread::msleep(100);
                const auto found =
                    xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                             QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid),
                             QStringLiteral("--name"), QStringLiteral("^Orlivane Keldra$")});
                window_ = found ? found->section(QLatin1Char('\n'), 0, 0).trimmed() : QString();
                return !window_.isEmpty();
            },
            30s);
        EXPECT_TRUE(shown) << "the window did not open";
        return pid;
    }

    // Quit as the session ending does (SIGTERM); the program ends cleanly.
    void stop(pid_t pid) {
        kill(pid, SIGTERM);
        const auto status = waitForProgram(pid);
        ASSERT_TRUE(status.has_value()) << "keldra did not end";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
    }

    // Waits until the window's content holds still (but for the caret); the whole display then.
    QImage settle() {
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
    // The display once the window holds still, kept under `name` (a gallery file name).
    void capture(const QString& name) {
        EXPECT_TRUE(settle().save(path("window", name))) << name.toStdString();
    }

    // Waits until the window's content (within `region`, all of it by default) is the gallery's picture of
    // `entry` but for the caret. The display, the gallery's picture and a picture of the differences are
    // kept in the build folder.
    void expectGalleryPicture(const QString& entry, OLStyle style, OLAccent accent, QRect region = {}) {
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
        EXPECT_TRUE(display.save(path("window", name)));
        QImage marked = differencePicture(shown, expected);
        EXPECT_TRUE(marked.save(path("diff", name)));
        EXPECT_TRUE(same) << name.toStdString() << ": " << found.pixels << " pixels differ within ("
                          << found.bounds.x() << ", " << found.bounds.y() << ", " << found.bounds.width()
                          << " × " << found.bounds.height() << "); see " << path("diff", name).toStdString();
    }

    // The pointer presses at a point of the window's content, then leaves the window so nothing shows hover.
    void click(QPoint inContent) {
        const QPoint at = content_.topLeft() + inContent;
        EXPECT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                             QStringLiteral("click"), QStringLiteral("1")}));
        leave();
    }
    void leave() {
        EXPECT_TRUE(xdotool({QStringLiteral("mousemove"), QStringLiteral("1590"), QStringLiteral("990")}));
    }
    // Keys the user types into the window ("ctrl+5").
    void press(const QString& keys) {
        EXPECT_TRUE(xdotool({QStringLiteral("windowfocus"), window_}));
        EXPECT_TRUE(xdotool({QStringLiteral("key"), keys}));
    }

    // A first backup of a small folder made through the model, ending protected; keldra in this process
    // has quit afterwards.
    void setUpProtected() {
        writeFile(home() / "Projects" / "plan.txt", "first plan");
        writeFile(home() / "Projects" / "notes" / "monday.md", "monday");
        AppModel& model = launch({"--autostart"}).model();
        setUpAccount(home() / "Projects", true);
        ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, 40s));
        ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    }

    QString path(const char* kind, const QString& name) const {
        return QString::fromStdString((screenshotFolder(kind) / name.toStdString()).string());
    }

    QRect content_;
    QString window_;
};

// What the user clicks, found on the same screens in this process: the window at the same size lays them
// out alike.
struct ClickPoints {
    QPoint appearanceTab;
    std::vector<QPoint> restoreRows;
};

int rowNamed(const RestoreRowsModel& rows, const std::string& name) {
    for (int i = 0; i < rows.rowCount(); ++i) {
        if (rows.row(i).node->name == name) {
            return i;
        }
    }
    return -1;
}

std::string rowNames(const RestoreRowsModel& rows) {
    std::string names;
    for (int i = 0; i < rows.rowCount(); ++i) {
        names += (i > 0 ? ", " : "") + rows.row(i).node->name;
    }
    return names;
}

// Sign-in and the passphrase step show no data: the window shows exactly what the gallery draws.
TEST_F(KeldraScreenshots, SignInAndPassphraseAreTheGallerysPictures) {
    placeWindow({MainWindow::defaultWidth, MainWindow::defaultHeight});
    pid_t keldra = start();
    expectGalleryPicture(QStringLiteral("onboarding-signin-empty"), OLStyle::glass, OLAccent::frost);
    stop(keldra);

    // Signed in, no passphrase yet: the next start opens on creating one.
    AppModel& model = launch({"--autostart"}).model();
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::signedOut; }));
    model.setPendingEmail(email);
    model.setPendingPassword(password);
    QCoro::waitFor(model.signIn());
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::setup; }));
    quit();

    keldra = start();
    expectGalleryPicture(QStringLiteral("onboarding-setup-key-create-score0"), OLStyle::glass,
                         OLAccent::frost);
    stop(keldra);
}

// Each later step of set-up, as a restart finds it.
TEST_F(KeldraScreenshots, SetUpSteps) {
    placeWindow({MainWindow::defaultWidth, MainWindow::defaultHeight});
    AppModel* model = &launch({"--autostart"}).model();
    ASSERT_TRUE(runUntil([&] { return model->phase() == AppPhase::signedOut; }));
    model->setPendingEmail(email);
    model->setPendingPassword(password);
    QCoro::waitFor(model->signIn());
    ASSERT_TRUE(runUntil([&] { return model->phase() == AppPhase::setup; }));
    ASSERT_TRUE(runUntil([&] { return model->verifierState().kind != VerifierState::Kind::unknown; }));
    ASSERT_EQ(QCoro::waitFor(model->createPassphrase(passphrase, true)), std::nullopt);
    quit();
    pid_t keldra = start();
    capture(pictureName(QStringLiteral("onboarding-setup-device-new"), OLStyle::glass, OLAccent::frost));
    stop(keldra);

    model = &launch({"--autostart"}).model();
    ASSERT_TRUE(runUntil([&] { return model->phase() == AppPhase::setup && model->keldraKey(); }));
    ASSERT_EQ(QCoro::waitFor(model->chooseDeviceFolder("Workstation")), std::nullopt);
    quit();
    keldra = start();
    capture(pictureName(QStringLiteral("onboarding-setup-folders-empty"), OLStyle::glass, OLAccent::frost));
    stop(keldra);

    writeFile(home() / "Projects" / "plan.txt", "first plan");
    model = &launch({"--autostart"}).model();
    ASSERT_TRUE(runUntil([&] { return model->phase() == AppPhase::setup && model->keldraKey(); }));
    model->addSources({home() / "Projects"});
    drainEvents();
    quit();
    keldra = start();
    capture(pictureName(QStringLiteral("onboarding-setup-schedule-daily"), OLStyle::glass, OLAccent::frost));
    stop(keldra);
}

// After the first backup: the Overview, the Appearance settings (which show no data, so they are the
// gallery's picture but for the sidebar) and Restore with a file selected; then the Overview in signal.
TEST_F(KeldraScreenshots, ProtectedWindow) {
    setUpProtected();
    const QSize overview(MainWindow::defaultWidth, MainWindow::defaultHeight);
    const QSize smallest(RootView::minimumWidth, RootView::minimumHeight);

    // Where the clicks go, from the same window in this process at the smallest size.
    ClickPoints points;
    {
        MainWindow& window = keldra().shell().window();
        AppModel& model = keldra().model();
        window.resize(windowSize(smallest));
        window.show();
        ASSERT_TRUE(runUntil([&] { return window.rootView()->size() == smallest; }))
            << "the menu bar is not " << menuBarHeight() << " pixels tall";
        model.setSection(AppSection::settings);
        SettingsView* settings = nullptr;
        ASSERT_TRUE(runUntil([&] { return (settings = window.findChild<SettingsView*>()) != nullptr; }));
        drainEvents();
        OLSegmented* strip = settings->tabStrip();
        const int appearance = static_cast<int>(
            std::find(allSettingsTabs.begin(), allSettingsTabs.end(), SettingsTab::appearance) -
            allSettingsTabs.begin());
        points.appearanceTab =
            strip->mapTo(window.rootView(), strip->segmentRect(appearance).center().toPoint());

        model.setSection(AppSection::restore);
        RestoreView* restore = nullptr;
        ASSERT_TRUE(runUntil([&] {
            restore = window.findChild<RestoreView*>();
            return restore && restore->isVisible() && restore->rows()->rowCount() > 0;
        }));
        drainEvents();
        QListView* list = restore->listPane()->list();
        // Projects opens, then plan.txt is selected.
        for (const std::string name : {"Projects", "plan.txt"}) {
            int row = -1;
            ASSERT_TRUE(runUntil([&] { return (row = rowNamed(*restore->rows(), name)) >= 0; }))
                << name << " is not among " << rowNames(*restore->rows());
            drainEvents();
            const QPoint inList = list->visualRect(restore->rows()->index(row)).center();
            points.restoreRows.push_back(list->viewport()->mapTo(window.rootView(), inList));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, inList);
        }
        model.setSection(AppSection::overview);
        window.hide();
        quit();
    }

    placeWindow(overview);
    pid_t program = start();
    capture(pictureName(QStringLiteral("overview-ready-protected"), OLStyle::glass, OLAccent::frost));

    // The smallest window, the size the gallery draws the pages in.
    const QSize small = windowSize(smallest);
    EXPECT_TRUE(xdotool({QStringLiteral("windowsize"), window_, QString::number(small.width()),
                         QString::number(small.height())}));
    content_.setSize(smallest);
    press(QStringLiteral("ctrl+5"));
    click(points.appearanceTab);
    const int sidebar = static_cast<int>(OLSize::sidebarWidth);
    expectGalleryPicture(QStringLiteral("settings-appearance"), OLStyle::glass, OLAccent::frost,
                         QRect(sidebar, 0, smallest.width() - sidebar, smallest.height()));

    press(QStringLiteral("ctrl+3"));
    for (const QPoint row : points.restoreRows) {
        settle();
        click(row);
    }
    capture(pictureName(QStringLiteral("restore-selection"), OLStyle::glass, OLAccent::frost));
    stop(program);

    AppModel& model = launch({"--autostart"}).model();
    model.persistStyle(OLStyle::signal);
    quit();
    placeWindow(overview);
    program = start();
    capture(pictureName(QStringLiteral("overview-ready-protected"), OLStyle::signal, OLAccent::frost));
    stop(program);
}

} // namespace
} // namespace keldra::test
