#include "design/controls/OLSearchField.h"
#include "screens/restore/ModelRestoreHost.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreView.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/ui/kit/KitTest.h"

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

} // namespace
} // namespace keldra::test
