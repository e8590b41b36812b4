#include "design/button/OLButton.h"
#include "design/text/OLText.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "desktop/MenuCommands.h"
#include "desktop/SingleInstance.h"
#include "desktop/TrayController.h"
#include "desktop/WindowPlacement.h"
#include "platform/login/ArgumentsLaunchContext.h"
#include "screens/popover/PopoverWindow.h"
#include "screens/popover/TrayPopover.h"
#include "screens/root/RootView.h"
#include "screens/shell/BannerSlot.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"
#include "tests/ui/shell/OffscreenApplication.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class DesktopApplicationTest : public AppModelFixture {
protected:
    // The application around a loaded, ready model with one folder to back up.
    DesktopApplication& readyApplication(const LaunchContext& launch) {
        createAccount();
        AppModel& m = signedIn();
        m.stopTimers();
        AppModelTestAccess::setSources(m, {BackupSource{"S1", (temp / "home").string(), false, clock.now()}});
        application = std::make_unique<DesktopApplication>(m, launch);
        drainEvents();
        return *application;
    }

    void TearDown() override {
        application.reset();
        AppModelFixture::TearDown();
    }

    std::unique_ptr<DesktopApplication> application;
};

// What a launch shows, and that closing the window only hides it.
void expectLaunch(DesktopApplication& app, bool windowShown) {
    app.start();
    drainEvents();
    EXPECT_EQ(app.window().isVisible(), windowShown);
    EXPECT_EQ(app.window().windowTitle(), "Orlivane Keldra");
    EXPECT_EQ(app.window().objectName(), "main");
    // 1200 × 760 at first, within what the screen offers.
    EXPECT_EQ(app.window().size(),
              restoredGeometry(std::nullopt, QSize(RootView::minimumWidth, RootView::minimumHeight),
                               QSize(MainWindow::defaultWidth, MainWindow::defaultHeight))
                  .size());
    EXPECT_TRUE(dynamic_cast<RootView*>(app.window().rootView()));

    bool closed = false;
    QObject::connect(&app.window(), &MainWindow::closedByUser, [&] { closed = true; });
    app.openWindow();
    app.window().close();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(app.window().isVisible());
    app.openWindow();
    EXPECT_TRUE(app.window().isVisible());
}

} // namespace

TEST_F(DesktopApplicationTest, MenuItemsAreEnabledByTheModelsState) {
    DesktopApplication& app = readyApplication(launchContext);
    AppModel& m = *model;
    MenuCommands& menus = app.menus();
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool backUpNow;
        bool pause;
        const char* pauseText;
        bool lock;
        bool go;
    };
    const std::vector<Case> cases{
        {"ready", [] {}, true, true, "Pause backups", true, true},
        {"paused", [&] { AppModelTestAccess::setPausedByUser(m, true); }, true, true, "Resume backups", true,
         true},
        {"running", [&] { AppModelTestAccess::setIsRunning(m, true); }, false, true, "Pause backups", true,
         true},
        {"nothing selected", [&] { AppModelTestAccess::setSources(m, {}); }, false, true, "Pause backups",
         true, true},
        {"locked",
         [&] {
             AppModelTestAccess::setKeldraKey(m, std::nullopt);
             m.setPhase(AppPhase::unlock);
         },
         false, false, "Pause backups", false, false},
        {"signed out", [&] { m.setPhase(AppPhase::signedOut); }, false, false, "Pause backups", true, false},
    };
    const auto sources = m.sources();
    const auto key = m.keldraKey();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m.setPhase(AppPhase::ready);
        AppModelTestAccess::setKeldraKey(m, key);
        AppModelTestAccess::setSources(m, sources);
        AppModelTestAccess::setPausedByUser(m, false);
        AppModelTestAccess::setIsRunning(m, false);
        c.arrange();
        drainEvents();
        EXPECT_EQ(menus.backUpNow()->isEnabled(), c.backUpNow);
        EXPECT_EQ(menus.pauseOrResume()->isEnabled(), c.pause);
        EXPECT_EQ(menus.pauseOrResume()->text(), c.pauseText);
        EXPECT_EQ(menus.lock()->isEnabled(), c.lock);
        for (AppSection section : allSections) {
            EXPECT_EQ(menus.section(section)->isEnabled(), c.go);
        }
        EXPECT_EQ(menus.search()->isEnabled(), c.go);
        EXPECT_TRUE(menus.quit()->isEnabled());
    }
}

TEST_F(DesktopApplicationTest, ShortcutsAndGoCommands) {
    DesktopApplication& app = readyApplication(launchContext);
    AppModel& m = *model;
    MenuCommands& menus = app.menus();
    EXPECT_EQ(menus.backUpNow()->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    EXPECT_EQ(menus.pauseOrResume()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    EXPECT_EQ(menus.lock()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+L")));
    EXPECT_EQ(menus.search()->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    EXPECT_EQ(menus.quit()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    int digit = 1;
    for (AppSection section : allSections) {
        EXPECT_EQ(menus.section(section)->shortcut(), QKeySequence(QStringLiteral("Ctrl+%1").arg(digit++)));
        menus.section(section)->trigger();
        EXPECT_EQ(m.section(), section);
    }

    int sectionChanges = 0;
    QObject::connect(&m, &AppModel::sectionChanged, [&] { ++sectionChanges; });
    menus.search()->trigger();
    menus.search()->trigger();
    EXPECT_EQ(m.section(), AppSection::restore);
    EXPECT_EQ(m.searchFocusRequest(), 2);
    EXPECT_EQ(sectionChanges, 1) << "the section is written only when it changes";

    menus.pauseOrResume()->trigger();
    EXPECT_TRUE(m.pausedByUser());
    drainEvents();
    EXPECT_EQ(menus.pauseOrResume()->text(), "Resume backups");
    menus.pauseOrResume()->trigger();
    EXPECT_FALSE(m.pausedByUser());
}

TEST_F(DesktopApplicationTest, TheTrayFollowsTheHealthAndItsPopupActs) {
    DesktopApplication& app = readyApplication(launchContext);
    AppModel& m = *model;
    TrayController& tray = app.tray();
    struct Case {
        std::function<void()> arrange;
        TrayImage image;
        const char* toolTip;
    };
    const std::vector<Case> cases{
        {[&] { AppModelTestAccess::setLastSuccess(m, clock.now()); }, TrayImage::protected_,
         "Orlivane Keldra: Protected"},
        {[&] { AppModelTestAccess::setIsRunning(m, true); }, TrayImage::runningA,
         "Orlivane Keldra: Backing up\u2026"},
        {[&] {
             AppModelTestAccess::setIsRunning(m, true);
             AppModelTestAccess::setTrayFrame(m, true);
         },
         TrayImage::runningB, "Orlivane Keldra: Backing up\u2026"},
        {[&] { AppModelTestAccess::setPausedByUser(m, true); }, TrayImage::idle, "Orlivane Keldra: Paused"},
        {[&] { m.setPhase(AppPhase::unlock); }, TrayImage::idle, "Orlivane Keldra: Keldra locked"},
        {[&] { AppModelTestAccess::setBlock(m, BlockReason::offline()); }, TrayImage::attention,
         "Orlivane Keldra: Attention required"},
        {[&] { AppModelTestAccess::setBlock(m, BlockReason::noPlan()); }, TrayImage::attention,
         "Orlivane Keldra: No Keldra plan"},
        {[&] { AppModelTestAccess::setStorageFull(m, true); }, TrayImage::attention,
         "Orlivane Keldra: Storage full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toolTip);
        AppModelTestAccess::setLastSuccess(m, clock.now());
        AppModelTestAccess::setIsRunning(m, false);
        AppModelTestAccess::setTrayFrame(m, false);
        AppModelTestAccess::setPausedByUser(m, false);
        m.setPhase(AppPhase::ready);
        AppModelTestAccess::setBlock(m, std::nullopt);
        AppModelTestAccess::setStorageFull(m, false);
        c.arrange();
        drainEvents();
        EXPECT_EQ(tray.image(), c.image);
        EXPECT_EQ(tray.icon().toolTip(), c.toolTip);
    }

    // The popover: the health and the main button, which acts on the model; a left click on the icon opens
    // it and, while open, closes it; its footer opens the window (hiding the popover) and quits.
    AppModelTestAccess::setLastSuccess(m, clock.now());
    AppModelTestAccess::setIsRunning(m, false);
    AppModelTestAccess::setStorageFull(m, false);
    AppModelTestAccess::setPausedByUser(m, true);
    drainEvents();
    TrayPopover* popover = tray.popover();
    ASSERT_TRUE(popover);
    EXPECT_EQ(popover->titleText()->text(), "Paused");
    ASSERT_TRUE(popover->primaryButton());
    EXPECT_EQ(popover->primaryButton()->title(), "Resume backups");
    popover->primaryButton()->click();
    EXPECT_FALSE(m.pausedByUser());
    drainEvents();

    PopoverWindow& window = *tray.popoverWindow();
    EXPECT_FALSE(window.isVisible());
    tray.togglePopover();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.width(), 360);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    tray.togglePopover();
    EXPECT_FALSE(window.isVisible()) << "a click while open closes it";
    tray.togglePopover();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &escape);
    EXPECT_FALSE(window.isVisible());

    bool quit = false;
    QObject::connect(&app, &DesktopApplication::quitRequested, [&] { quit = true; });
    tray.togglePopover();
    static_cast<QAbstractButton*>(popover->footerOpen())->click();
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_FALSE(window.isVisible());
    static_cast<QAbstractButton*>(popover->footerQuit())->click();
    EXPECT_TRUE(quit);
}

TEST_F(DesktopApplicationTest, LaunchesOpenTheWindowUnlessStartedAtLoginAndClosingOnlyHides) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        bool windowShown;
    };
    const std::vector<Case> cases{
        {"normal", {"keldra"}, true},
        {"at login", {"keldra", "--autostart"}, false},
        {"the flag as the program's own name does not count", {"--autostart"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ArgumentsLaunchContext launch(c.arguments);
        auto app = std::make_unique<DesktopApplication>(start(), launch);
        expectLaunch(*app, c.windowShown);
        app.reset();
        model.reset();
    }
}

TEST_F(DesktopApplicationTest, ASecondLaunchBringsTheFirstOnesWindowBack) {
    const QString name = QStringLiteral("org.orlivane.keldra.test%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(QDBusConnection::sessionBus(), name);
    ASSERT_EQ(first.claim(), SingleInstance::Outcome::primary);
    const ArgumentsLaunchContext atLogin({"keldra", "--autostart"});
    DesktopApplication app(start(), atLogin);
    QObject::connect(&first, &SingleInstance::activated, &app, [&](const QString&) { app.openWindow(); });
    app.start();
    EXPECT_FALSE(app.window().isVisible());

    // The second launch talks to the first over its own connection, as another process would.
    auto other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second-launch"));
    ASSERT_TRUE(other.isConnected());
    {
        SingleInstance second(other, name);
        EXPECT_EQ(second.claim(true), SingleInstance::Outcome::handledByOther);
    }
    ASSERT_TRUE(runUntil([&] { return app.window().isVisible(); }));

    // A second start at login only leaves.
    app.window().hide();
    {
        SingleInstance third(other, name);
        EXPECT_EQ(third.claim(false), SingleInstance::Outcome::handledByOther);
    }
    drainEvents();
    EXPECT_FALSE(app.window().isVisible());
    QDBusConnection::disconnectFromBus(QStringLiteral("second-launch"));
}

TEST_F(DesktopApplicationTest, TheReadyWindowShowsTheBannerAndClosesIt) {
    DesktopApplication& app = readyApplication(launchContext);
    AppModel& m = *model;
    AppModelTestAccess::setUnattended(m, false);
    AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::block({"RU"}));
    drainEvents();
    auto* root = dynamic_cast<RootView*>(app.window().rootView());
    ASSERT_TRUE(root);
    ASSERT_EQ(root->shownPhase(), AppPhase::ready);
    auto* slot = root->findChild<BannerSlot*>();
    ASSERT_TRUE(slot && slot->banner());
    EXPECT_EQ(slot->banner()->titleText()->text(), "Country rule set to Destroy");
    slot->banner()->dismissButton()->click();
    drainEvents();
    ASSERT_TRUE(slot->banner());
    EXPECT_EQ(slot->banner()->titleText()->text(), "Scheduled backups run while the Keldra is unlocked");
    slot->banner()->actionButton()->click();
    drainEvents();
    EXPECT_EQ(m.section(), AppSection::settings);

    m.setPhase(AppPhase::signedOut);
    drainEvents();
    EXPECT_EQ(root->shownPhase(), AppPhase::signedOut);
    EXPECT_FALSE(root->findChild<BannerSlot*>());
}

namespace {

// The application around a model that backs up for real, to the local portal.
class DesktopRunTest : public RunFixture {
protected:
    void TearDown() override {
        application.reset();
        RunFixture::TearDown();
    }

    std::unique_ptr<DesktopApplication> application;
};

} // namespace

TEST_F(DesktopRunTest, PauseCancelsTheRun) {
    for (int i = 0; i < 6; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    application = std::make_unique<DesktopApplication>(m, launchContext);
    MenuCommands& menus = application->menus();
    // A slow portal keeps the run in its uploads long enough to be paused there.
    control().setSettings({{"latency_ms", 150}});
    menus.backUpNow()->trigger();
    ASSERT_TRUE(runUntil([&] { return m.progress().phase == RunPhase::uploading; }));
    ASSERT_TRUE(menus.pauseOrResume()->isEnabled());
    EXPECT_EQ(menus.pauseOrResume()->text(), "Pause backups");

    menus.pauseOrResume()->trigger();
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
    control().setSettings({{"latency_ms", 0}});
    drainEvents();

    EXPECT_TRUE(m.pausedByUser());
    EXPECT_EQ(menus.pauseOrResume()->text(), "Resume backups");
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::cancelled);
    EXPECT_EQ(m.lastRun()->message, "Stopped. The next run picks up where this one stopped.");
    EXPECT_EQ(application->tray().image(), TrayImage::idle);
    // Stored so, too: the index holds the run as stopped, not running.
    BackupIndex index(accountFolder(), logger);
    const auto runs = index.recentRuns(5);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs.front().status, RunStatus::cancelled);
}
