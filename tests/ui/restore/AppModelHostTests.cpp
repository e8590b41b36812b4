#include "design/controls/OLSearchField.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "desktop/MenuCommands.h"
#include "screens/restore/ModelRestoreHost.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreView.h"
#include "screens/root/RootView.h"
#include "screens/shell/MainShell.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/ui/kit/KitTest.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>

namespace keldra::test {
namespace {

class RestoreOnAppModel : public AppModelFixture {};

TEST_F(RestoreOnAppModel, TheScreenFollowsTheApplicationsHandOversAndItsModelAcrossSignOut) {
    createAccount();
    saveSettings(email, readySettings());
    SymmetricKey raw{};
    raw.fill(7);
    storeKey(email, KeldraKey(raw));
    storeSession(signedInSession());
    AppModel& app = start();
    ASSERT_TRUE(runUntil([&] { return app.phase() == AppPhase::ready; }));

    ModelRestoreHost host(app);
    app.setRestoreSearch("report");
    // In a window whose focus starts elsewhere, as in the shell.
    auto window = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(window.get());
    layout->addWidget(new QPushButton(QStringLiteral("Overview")));
    auto* view = new RestoreView(host);
    layout->addWidget(view, 1);
    window->resize(1400, 760);
    showActive(*window);
    ASSERT_TRUE(runUntil(
        [&] { return app.restoreModel()->loadedAt().has_value() && !app.restoreModel()->isLoading(); }));
    drainEvents();

    EXPECT_EQ(view->model(), app.restoreModel());
    EXPECT_EQ(app.restoreModel()->query(), "report");
    EXPECT_EQ(app.restoreSearch(), "");
    EXPECT_EQ(view->searchField()->text(), "report");
    EXPECT_EQ(view->listPane()->state(), RestoreListPane::State::empty); // nothing backed up on this account
    EXPECT_FALSE(view->searchField()->isFocused());

    app.setSearchFocusRequest(app.searchFocusRequest() + 1);
    drainEvents();
    EXPECT_TRUE(view->searchField()->isFocused());

    // Sign-out replaces the model: the screen lets go of the old one and shows the fresh one.
    const QPointer<RestoreModel> before = app.restoreModel();
    await(app.signOut());
    drainEvents();
    EXPECT_FALSE(before);
    EXPECT_EQ(view->model(), app.restoreModel());
    EXPECT_EQ(view->searchField()->text(), "");
    window.reset();
}

// The window's Restore section: the handed-over search arrives in the field, Go › "Search backed-up files"
// focuses it whether the Restore page is shown already or is opened by the command, and the model's
// search outlives the page.
TEST_F(RestoreOnAppModel, TheWindowsRestoreSectionShowsTheScreenWithItsSearchAndFocus) {
    createAccount();
    AppModel& app = signedIn();
    app.stopTimers();
    DesktopApplication application(app, launchContext);
    application.start();
    showActive(application.window());
    drainEvents();
    const auto page = [&]() -> RestoreView* {
        auto* root = dynamic_cast<RootView*>(application.window().rootView());
        auto* shell = root ? dynamic_cast<MainShell*>(root->screen()) : nullptr;
        return shell ? dynamic_cast<RestoreView*>(shell->page()) : nullptr;
    };
    ASSERT_EQ(app.section(), AppSection::overview);
    EXPECT_EQ(page(), nullptr);

    // As the Overview's search box hands a search over.
    app.setRestoreSearch("report");
    app.setSection(AppSection::restore);
    ASSERT_TRUE(runUntil([&] { return page() != nullptr; }));
    QPointer<RestoreView> view = page();
    ASSERT_TRUE(runUntil([&] { return app.restoreModel()->loadedAt() && !app.restoreModel()->isLoading(); }));
    drainEvents();
    EXPECT_EQ(view->model(), app.restoreModel());
    EXPECT_EQ(view->searchField()->text(), "report");
    EXPECT_EQ(app.restoreSearch(), "");
    EXPECT_FALSE(view->searchField()->isFocused());

    application.menus().search()->trigger();
    drainEvents();
    EXPECT_EQ(page(), view.data()) << "the page shown already is kept";
    EXPECT_TRUE(view->searchField()->isFocused());

    // From another section the command opens a new page, focused, still showing the model's search.
    application.menus().section(AppSection::overview)->trigger();
    ASSERT_TRUE(runUntil([&] { return page() == nullptr; }));
    EXPECT_FALSE(view) << "leaving the section deletes the page";
    application.menus().search()->trigger();
    ASSERT_TRUE(runUntil([&] { return page() != nullptr; }));
    drainEvents();
    EXPECT_TRUE(page()->searchField()->isFocused());
    EXPECT_EQ(page()->searchField()->text(), "report");
}

} // namespace
} // namespace keldra::test
