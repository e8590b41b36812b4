#include "screens/root/RootView.h"

#include "design/button/OLButton.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "screens/chrome/GlassSidebar.h"
#include "screens/chrome/PlainButton.h"
#include "screens/chrome/SidebarItem.h"
#include "screens/chrome/SignalTopBar.h"
#include "screens/root/LaunchView.h"
#include "screens/shell/MainShell.h"
#include "tests/support/QtApp.h"
#include "tests/ui/support/UiTest.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <typeinfo>

namespace keldra {
namespace {

struct Window {
    explicit Window(const char* state = "launching") {
        applyFakeState(model, state);
        root = std::make_unique<RootView>(model);
        root->resize(RootView::minimumWidth, RootView::minimumHeight);
        root->show();
        test::drainEvents();
    }
    ~Window() { root.reset(); }

    MainShell* shell() const { return qobject_cast<MainShell*>(root->screen()); }

    FakeAppModel model;
    std::unique_ptr<RootView> root;
};

TEST(RootView, EachPhaseShowsItsScreenAndDropsTheLastOne) {
    const struct {
        AppPhase phase;
        bool launch;
        bool shell;
        const char* screenClass;
    } cases[] = {
        {AppPhase::signedOut, false, false, "keldra::SignInView"},
        {AppPhase::twoFactor, false, false, "keldra::TwoFactorView"},
        {AppPhase::setup, false, false, "keldra::SetupFlowView"},
        {AppPhase::unlock, false, false, "keldra::UnlockView"},
        {AppPhase::ready, false, true, "keldra::MainShell"},
        {AppPhase::launching, true, false, "keldra::LaunchView"},
    };
    Window window;
    ASSERT_NE(qobject_cast<LaunchView*>(window.root->screen()), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.phase));
        QPointer<QWidget> before = window.root->screen();
        window.model.setPhase(c.phase);
        test::drainEvents();
        QWidget* screen = window.root->screen();
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(window.root->shownPhase(), c.phase);
        EXPECT_EQ(qobject_cast<LaunchView*>(screen) != nullptr, c.launch);
        EXPECT_EQ(qobject_cast<MainShell*>(screen) != nullptr, c.shell);
        EXPECT_STREQ(screen->metaObject()->className(), c.screenClass);
        EXPECT_TRUE(screen->isVisible());
        EXPECT_TRUE(before.isNull()) << "the previous screen is still alive";
    }
}

TEST(RootView, RefusesSizesBelowTheMinimum) {
    Window window("ready-protected");
    window.root->resize(640, 400);
    test::drainEvents();
    EXPECT_EQ(window.root->size(), QSize(1000, 640));
    EXPECT_EQ(window.root->minimumSize(), QSize(1000, 640));
}

TEST(RootView, TheMinimumGrowsWithWhatTheScreenNeeds) {
    Window window("ready-protected");
    MainShell* shell = window.shell();
    ASSERT_NE(shell, nullptr);
    // A page that cannot be narrower than 1400 makes the window at least that plus the sidebar.
    shell->page()->setMinimumWidth(1400);
    test::drainEvents();
    EXPECT_EQ(window.root->minimumSize(), QSize(1400 + shell->navigation()->width(), 640));
    EXPECT_GE(window.root->width(), window.root->minimumSize().width());
}

TEST(RootView, InstallsTheModelsThemeAndGlassOutsideIt) {
    Window window("ready-protected");
    window.model.persistStyle(OLStyle::signal);
    window.model.persistAccent(OLAccent::teal);
    test::drainEvents();
    EXPECT_EQ(olTheme(window.root->screen()), (OLTheme{OLStyle::signal, OLAccent::teal, 999}));
    QWidget outside;
    EXPECT_EQ(olTheme(&outside), (OLTheme{OLStyle::glass, OLAccent::frost, 999}));
}

TEST(RootView, StyleSwapsTheNavigationAndRebuildsThePage) {
    Window window("ready-protected");
    window.model.setSection(AppSection::settings);
    test::drainEvents();
    MainShell* glass = window.shell();
    ASSERT_NE(glass, nullptr);
    // Glass: the sidebar at the left, full height, the page beside it.
    EXPECT_EQ(glass->navigation()->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(glass->navigation()->height(), glass->height());
    EXPECT_GE(glass->page()->mapTo(glass, QPoint(0, 0)).x(), glass->navigation()->width());
    QPointer<QWidget> oldPage = glass->page();

    window.model.persistStyle(OLStyle::signal);
    test::drainEvents();
    MainShell* signal = window.shell();
    ASSERT_NE(signal, nullptr);
    EXPECT_TRUE(oldPage.isNull());
    // Signal: the top bar across the top, the page below it.
    EXPECT_EQ(signal->navigation()->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(signal->navigation()->width(), signal->width());
    EXPECT_GE(signal->page()->mapTo(signal, QPoint(0, 0)).y(), signal->navigation()->height());
    EXPECT_EQ(window.model.section(), AppSection::settings);
}

TEST(RootView, AccentRepaintsAndKeepsThePage) {
    Window window("ready-protected");
    window.model.persistStyle(OLStyle::signal);
    test::drainEvents();
    MainShell* shell = window.shell();
    ASSERT_NE(shell, nullptr);
    QPointer<QWidget> page = shell->page();
    auto* navigation = qobject_cast<SignalTopBar*>(shell->navigation());
    ASSERT_NE(navigation, nullptr);
    // The current page's tab is underlined in the accent colour along the bar's lower border.
    QWidget* tab = navigation->tabs()[0];
    const QPoint mark = tab->mapTo(window.root.get(), QPoint(tab->width() / 2, tab->height() - 2));

    const QImage frost = test::grab(window.root.get());
    EXPECT_TRUE(test::near(frost.pixelColor(mark), accentColor(OLAccent::frost).qcolor()));
    window.model.persistAccent(OLAccent::teal);
    test::drainEvents();
    EXPECT_EQ(window.shell(), shell);
    EXPECT_FALSE(page.isNull());
    const QImage teal = test::grab(window.root.get());
    EXPECT_TRUE(test::near(teal.pixelColor(mark), accentColor(OLAccent::teal).qcolor()));
}

TEST(RootView, SectionsReplaceThePageWithoutKeepingIt) {
    Window window("ready-protected");
    MainShell* shell = window.shell();
    ASSERT_NE(shell, nullptr);
    QPointer<QWidget> overview = shell->page();
    auto* navigation = qobject_cast<GlassSidebar*>(shell->navigation());
    ASSERT_NE(navigation, nullptr);
    // The press comes from inside the shell: the page it replaces goes only after the press.
    QTest::mouseClick(navigation->items()[2], Qt::LeftButton);
    EXPECT_EQ(window.model.section(), AppSection::restore);
    test::drainEvents();
    EXPECT_TRUE(overview.isNull());
    EXPECT_EQ(window.shell(), shell);
    EXPECT_NE(shell->page(), nullptr);
}

TEST(RootView, AScreenThatEndsItsOwnPhaseIsNotDeletedUnderIt) {
    Window window("ready-protected");
    QPointer<QWidget> shell = window.root->screen();
    bool survived = false;
    // A handler of the shell moves the phase and goes on using its widget afterwards.
    auto* button = new OLButton(QStringLiteral("Lock"), OLButtonKind::text, shell);
    button->setAction([&] {
        window.model.lock();
        survived = !shell.isNull() && shell->isWidgetType();
    });
    button->show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(survived);
    test::drainEvents();
    EXPECT_TRUE(shell.isNull());
    EXPECT_EQ(window.root->shownPhase(), AppPhase::unlock);
}

} // namespace
} // namespace keldra
