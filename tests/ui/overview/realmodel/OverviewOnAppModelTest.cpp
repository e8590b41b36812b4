#include "core/index/BackupIndex.h"
#include "design/data/StatTile.h"
#include "design/text/OLText.h"
#include "design/theme/ThemeScope.h"
#include "screens/overview/GlassOverview.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/root/LaunchView.h"
#include "screens/root/RootView.h"
#include "screens/shell/MainShell.h"
#include "tests/app/model/RunFixture.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace keldra::test {
namespace {

class OverviewOnAppModel : public RunFixture {};

TEST_F(OverviewOnAppModel, RootViewShowsSignInWithoutASessionAndTheShellWhenReady) {
    AppModel& m = start();
    RootView root(m);
    root.show();
    drainEvents();
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_EQ(qobject_cast<MainShell*>(root.screen()), nullptr);
    EXPECT_EQ(qobject_cast<LaunchView*>(root.screen()), nullptr);
    EXPECT_NE(root.screen(), nullptr);
}

TEST_F(OverviewOnAppModel, AReadyModelShowsTheShellAndSignOutReturnsToSignIn) {
    createAccount();
    AppModel& m = signedIn();
    RootView root(m);
    root.show();
    drainEvents();
    EXPECT_NE(qobject_cast<MainShell*>(root.screen()), nullptr);
    await(m.signOut());
    EXPECT_TRUE(runUntil([&] { return qobject_cast<MainShell*>(root.screen()) == nullptr; }));
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
}

TEST_F(OverviewOnAppModel, AfterARealBackupTheTilesShowTheIndexFigures) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    AppModel& m = ready();
    writeHomeFile("Documents/a.txt", "alpha");
    writeHomeFile("Documents/b.txt", "beta");
    writeHomeFile("notes.md", "gamma");
    runAndWait(m);
    ASSERT_TRUE(m.index());
    const std::int64_t indexed = m.index()->backedUpFileCount();
    ASSERT_GE(indexed, 3);
    ASSERT_TRUE(runUntil([&] { return m.backedUpFileCount() == indexed; }));

    QWidget scope;
    olSetTheme(&scope, OLTheme{});
    auto* page = new GlassOverview(m, &scope);
    scope.resize(1200, 760);
    scope.show();
    drainEvents();
    EXPECT_EQ(page->activityTile()->valueText()->text(), countText(indexed));
    EXPECT_TRUE(page->lastBackupTile()->valueText()->text().startsWith("Completed today "))
        << page->lastBackupTile()->valueText()->text().toStdString();
    QLocale::setDefault(QLocale::system());
}

} // namespace
} // namespace keldra::test
