#include "app/model/AppModel.h"
#include "design/controls/OLSegmented.h"
#include "design/theme/OLSpace.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "onboarding/settings/SettingsTab.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreView.h"
#include "screens/root/RootView.h"
#include "tests/integration/ProgramWindow.h"
#include "tests/integration/ScreenPictures.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

#include <QListView>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <qcoro/qcorotask.h>

namespace keldra::test {
namespace {

using namespace std::chrono_literals;

class KeldraScreenshots : public KeldraProgramWindow {
protected:
    // A first backup of a small folder made through the model in this process, ending protected; keldra
    // here keeps running, its window not shown.
    void setUpProtected() {
        writeFile(home() / "Projects" / "plan.txt", "first plan");
        writeFile(home() / "Projects" / "notes" / "monday.md", "monday");
        AppModel& model = launch({"--autostart"}).model();
        setUpAccount(home() / "Projects", true);
        ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, 40s));
        ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    }
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

// Sign-in and the passphrase step show no data: the window shows exactly what the gallery draws, in each
// style.
TEST_F(KeldraScreenshots, SignInAndPassphraseAreTheGallerysPictures) {
    placeWindow({MainWindow::defaultWidth, MainWindow::defaultHeight});
    pid_t keldra = start();
    expectGalleryPicture(QStringLiteral("onboarding-signin-empty"), OLStyle::glass, OLAccent::frost);
    stop(keldra);

    const auto restyle = [this](OLStyle style, OLAccent accent) {
        AppModel& model = launch({"--autostart"}).model();
        model.persistStyle(style);
        model.persistAccent(accent);
        quit();
    };
    restyle(OLStyle::signal, OLAccent::teal);
    keldra = start();
    expectGalleryPicture(QStringLiteral("onboarding-signin-empty"), OLStyle::signal, OLAccent::teal);
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
    expectGalleryPicture(QStringLiteral("onboarding-setup-key-create-score0"), OLStyle::signal,
                         OLAccent::teal);
    stop(keldra);

    restyle(OLStyle::glass, OLAccent::frost);
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
    QCoro::waitFor(model->addPickedSources({home() / "Projects"}));
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
    EXPECT_TRUE(xdotool({QStringLiteral("windowsize"), window(), QString::number(small.width()),
                         QString::number(small.height())}));
    setContentSize(smallest);
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
