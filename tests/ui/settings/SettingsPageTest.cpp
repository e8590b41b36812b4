#include "app/model/AppModel.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/StylePicker.h"
#include "onboarding/settings/AccountSettings.h"
#include "onboarding/settings/AppearanceSettings.h"
#include "onboarding/settings/BackupSettingsPane.h"
#include "tests/ui/settings/SettingsFixture.h"

#include <QScrollArea>
#include <QScrollBar>

namespace keldra::test {
namespace {

class SettingsPage : public SettingsFixture {};

TEST_F(SettingsPage, OpensOnBackupEveryTimeItIsEntered) {
    AppModel& m = showReady();
    ASSERT_EQ(m.section(), AppSection::overview);

    // From the Overview.
    SettingsView& first = openSettings();
    EXPECT_EQ(first.tab(), SettingsTab::backup);
    EXPECT_NE(qobject_cast<BackupSettingsPane*>(first.pane()), nullptr);
    EXPECT_EQ(first.tabStrip()->labels(),
              (QStringList{"General", "Backup", "Encryption", "Appearance", "Account"}));
    EXPECT_EQ(first.tabStrip()->height(), 34);

    // Left on Account, then entered again by Ctrl+5 from another section.
    choose(*first.tabStrip(), static_cast<int>(SettingsTab::account));
    drainEvents();
    ASSERT_NE(qobject_cast<AccountSettings*>(settingsPage()->pane()), nullptr);
    m.setSection(AppSection::activity);
    ASSERT_EQ(settingsPage(), nullptr);
    shortcut(*window, Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(m.section(), AppSection::settings);
    SettingsView* again = settingsPage();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->tab(), SettingsTab::backup);
    EXPECT_EQ(again->tabStrip()->selected(), (std::vector<bool>{false, true, false, false, false}));

    // A style chosen on Appearance rebuilds the shell: back on Backup, the strip in mono.
    choose(*again->tabStrip(), static_cast<int>(SettingsTab::appearance));
    drainEvents();
    auto& appearance = pane<AppearanceSettings>(*settingsPage());
    appearance.stylePicker()->styleCard(OLStyle::signal)->click();
    drainEvents();
    ASSERT_EQ(m.style(), OLStyle::signal);
    SettingsView* rebuilt = settingsPage();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_NE(rebuilt, again);
    EXPECT_EQ(rebuilt->tab(), SettingsTab::backup);
    EXPECT_EQ(rebuilt->tabStrip()->height(), 34);
}

TEST_F(SettingsPage, OnlyThePaneScrollsUnderTheHeader) {
    showReady();
    SettingsView& view = openSettings();
    QScrollBar* bar = view.scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the Backup pane is taller than the window";
    const QPoint headerAt = view.header()->mapTo(window.get(), QPoint(0, 0));
    const QPoint paneAt = view.pane()->mapTo(window.get(), QPoint(0, 0));
    bar->setValue(bar->maximum());
    drainEvents();
    EXPECT_EQ(view.header()->mapTo(window.get(), QPoint(0, 0)), headerAt);
    EXPECT_LT(view.pane()->mapTo(window.get(), QPoint(0, 0)).y(), paneAt.y());
    EXPECT_LE(view.header()->geometry().bottom(), view.scrollArea()->geometry().top());
}

TEST_F(SettingsPage, CtrlShiftLLocksFromThePage) {
    AppModel& m = showReady();
    openSettings(SettingsTab::encryption);
    shortcut(*window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
    EXPECT_FALSE(m.keldraKey().has_value());
}

} // namespace
} // namespace keldra::test
