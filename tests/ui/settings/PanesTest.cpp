#include "app/model/AppModel.h"
#include "core/events/ByteCount.h"
#include "core/platform/LoginItem.h"
#include "core/secrets/KeychainItems.h"
#include "design/button/OLButton.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSwitch.h"
#include "design/controls/StylePicker.h"
#include "design/layout/FormRow.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "onboarding/settings/AccountFigures.h"
#include "onboarding/settings/AccountSettings.h"
#include "onboarding/settings/AppearanceSettings.h"
#include "onboarding/settings/EncryptionSettings.h"
#include "onboarding/settings/GeneralSettings.h"
#include "service/types/PortalLinks.h"
#include "tests/support/AppModelTestAccess.h"
#include "tests/ui/settings/SettingsFixture.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <condition_variable>
#include <mutex>

namespace keldra::test {
namespace {

class SettingsPanes : public SettingsFixture {
protected:
    // Presses the button titled `title` in the open question.
    static void answer(QMessageBox* box, const QString& title) {
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == title) {
                button->click();
                drainEvents();
                return;
            }
        }
        ADD_FAILURE() << "no button " << title.toStdString();
    }
    std::optional<Bytes> storedKey() { return secrets.read(keldraKeyAccount(scopeKey(email))); }
};

TEST_F(SettingsPanes, OpenAtLoginIsTheAutostartEntry) {
    showReady();
    SettingsView& view = openSettings(SettingsTab::general);
    auto* general = &pane<GeneralSettings>(view);
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    EXPECT_FALSE(general->openAtLoginBox()->isOn());
    EXPECT_TRUE(general->openAtLoginBox()->isEnabled());

    general->openAtLoginBox()->click();
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    EXPECT_TRUE(std::filesystem::exists(autostartEntry()));
    EXPECT_TRUE(general->openAtLoginBox()->isOn());
    EXPECT_EQ(settingsWrites(), 0) << "not a setting of the account";

    // A pane built afresh reads the entry on the worker and shows it ticked once the answer is in.
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::backup));
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::general));
    general = &pane<GeneralSettings>(view);
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    EXPECT_TRUE(general->openAtLoginBox()->isOn());
    EXPECT_TRUE(general->openAtLoginBox()->isEnabled());

    // Removed behind the page's back: the tab chosen again reads the entry afresh.
    std::filesystem::remove(autostartEntry());
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::backup));
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::general));
    drainEvents();
    general = &pane<GeneralSettings>(view);
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    EXPECT_FALSE(general->openAtLoginBox()->isOn());

    general->openAtLoginBox()->click();
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    general->openAtLoginBox()->click();
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));
    EXPECT_FALSE(std::filesystem::exists(autostartEntry()));
    EXPECT_FALSE(general->openAtLoginBox()->isOn());
}

namespace {

// The autostart entry, whose writes can be held half-way (a slow disk).
class HeldLoginItem final : public LoginItem {
public:
    explicit HeldLoginItem(LoginItem& inner) : inner_(inner) {}
    bool setLoginItemEnabled(bool enabled) override {
        std::unique_lock lock(mutex_);
        ++writing_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
        lock.unlock();
        return inner_.setLoginItemEnabled(enabled);
    }
    bool isLoginItemEnabled() const override { return inner_.isLoginItemEnabled(); }
    void hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void waitUntilWriting() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return writing_ > 0; });
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            holding_ = false;
        }
        changed_.notify_all();
    }

private:
    LoginItem& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
    int writing_ = 0;
};

} // namespace

TEST_F(SettingsPanes, LeavingSettingsNeverWaitsForTheAutostartEntry) {
    HeldLoginItem held(*autostart);
    ready(countedServices(&held));
    showWindow();
    SettingsView& view = openSettings(SettingsTab::general);
    auto* general = &pane<GeneralSettings>(view);
    ASSERT_TRUE(runUntil([&] { return !general->isChangingLoginItem(); }));

    held.hold();
    general->openAtLoginBox()->click();
    held.waitUntilWriting();
    // The page goes while its toggle is still being written: the GUI thread goes on at once.
    model->setSection(AppSection::overview);
    drainEvents();
    EXPECT_EQ(settingsPage(), nullptr);
    held.release();
    ASSERT_TRUE(runUntil([&] { return held.isLoginItemEnabled(); })) << "the write still ends";
    EXPECT_TRUE(std::filesystem::exists(autostartEntry()));
    // The entry's lane is serial: once a read behind the write answers, nothing of the write still uses
    // `held`.
    EXPECT_TRUE(await(model->changeLoginItem(std::nullopt)));
}

TEST_F(SettingsPanes, UnattendedKeyForgetAndLock) {
    AppModel& m = showReady();
    ASSERT_FALSE(m.unattended());
    SettingsView& view = openSettings(SettingsTab::encryption);
    auto& encryption = pane<EncryptionSettings>(view);
    EXPECT_FALSE(encryption.forgetKeyButton()->isEnabled());
    EXPECT_EQ(encryption.unattendedStatus()->text(), "Off: backups run while the app is unlocked");

    encryption.unattendedSwitch()->click();
    ASSERT_TRUE(runUntil([&] { return storedKey().has_value(); }));
    ASSERT_TRUE(runUntil([&] { return m.unattended(); })) << "once the keyring has the key";
    drainEvents();
    EXPECT_EQ(encryption.unattendedStatus()->text(), "On: key stored in the keyring");
    EXPECT_TRUE(encryption.forgetKeyButton()->isEnabled());

    // Forgetting the key keeps the app unlocked.
    encryption.forgetKeyButton()->click();
    ASSERT_TRUE(runUntil([&] { return !storedKey().has_value(); }));
    ASSERT_TRUE(runUntil([&] { return !m.unattended(); }));
    drainEvents();
    EXPECT_FALSE(encryption.unattendedSwitch()->isOn());
    EXPECT_FALSE(encryption.forgetKeyButton()->isEnabled());
    EXPECT_TRUE(m.keldraKey().has_value());
    EXPECT_EQ(m.phase(), AppPhase::ready);

    // "Cancel" changes nothing, also during a run.
    writeHomeFile("a.txt", "one");
    writeHomeFile("b.txt", "two");
    control().setSettings({{"latency_ms", 200}});
    m.runBackup("Manual");
    ASSERT_TRUE(m.isRunning());
    encryption.lockButton()->click();
    EXPECT_EQ(encryption.lockConfirmation()->text(), "Lock the Keldra?");
    answer(encryption.lockConfirmation(), "Cancel");
    EXPECT_TRUE(m.isRunning());
    EXPECT_EQ(m.phase(), AppPhase::ready);

    // "Lock" stops the run and shows the unlock screen.
    encryption.lockButton()->click();
    answer(encryption.lockConfirmation(), "Lock");
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock && !m.isRunning(); }));
    control().setSettings({{"latency_ms", 0}});
    drainEvents();
    EXPECT_EQ(page(), nullptr) << "no shell while locked";
    EXPECT_FALSE(m.keldraKey().has_value());
    ASSERT_TRUE(m.lastRun());
    EXPECT_EQ(m.lastRun()->status, RunStatus::cancelled);
}

TEST_F(SettingsPanes, AppearanceChoicesAreStoredAndReadBack) {
    AppModel& m = showReady();
    SettingsView& view = openSettings(SettingsTab::appearance);
    auto& appearance = pane<AppearanceSettings>(view);

    const int accentWrites = counted->writes("ol.accent");
    appearance.stylePicker()->accentSwatch(m.accent())->click();
    drainEvents();
    EXPECT_EQ(counted->writes("ol.accent"), accentWrites + 1) << "the same accent is written again";
    EXPECT_EQ(settingsPage()->tab(), SettingsTab::appearance) << "an accent keeps the tab";

    choose(*pane<AppearanceSettings>(*settingsPage()).popoverPicker(), 2);
    drainEvents();
    EXPECT_EQ(m.popoverStyle(), PopoverStyle::signal);
    pane<AppearanceSettings>(*settingsPage()).stylePicker()->accentSwatch(OLAccent::snow)->click();
    drainEvents();
    pane<AppearanceSettings>(*settingsPage()).stylePicker()->styleCard(OLStyle::signal)->click();
    drainEvents();
    EXPECT_EQ(m.style(), OLStyle::signal);
    EXPECT_EQ(settingsPage()->tab(), SettingsTab::backup);

    AppModel& again = restart();
    EXPECT_EQ(again.style(), OLStyle::signal);
    EXPECT_EQ(again.accent(), OLAccent::snow);
    EXPECT_EQ(again.popoverStyle(), PopoverStyle::signal);
}

TEST_F(SettingsPanes, AccountFiguresAndTexts) {
    AccountInfo account;
    StoredSession session{"token", {}, "session@example.com"};
    EXPECT_EQ(accountEmailText(std::nullopt, std::nullopt), "\u2014");
    EXPECT_EQ(accountEmailText(std::nullopt, session), "session@example.com");
    EXPECT_EQ(accountEmailText(account, session), "session@example.com") << "an account without e-mail";
    account.email = "account@example.com";
    EXPECT_EQ(accountEmailText(account, session), "account@example.com");
    EXPECT_EQ(accountPlanText(std::nullopt), "Keldra");

    struct Use {
        std::int64_t used, quota;
        double fraction;
        bool nearlyFull;
    };
    for (const Use& u : {Use{50, 100, 0.5, false}, Use{95, 100, 0.95, true}, Use{120, 100, 1.0, true},
                         Use{90, 100, 0.9, true}, Use{5, 0, 0, false}}) {
        const StorageUse use = storageUse(u.used, u.quota);
        EXPECT_DOUBLE_EQ(use.fraction, u.fraction) << u.used << "/" << u.quota;
        EXPECT_EQ(use.nearlyFull, u.nearlyFull) << u.used << "/" << u.quota;
    }

    const std::int64_t largest = (std::int64_t{1} << 43) - 1;
    for (const auto& [limit, text] : std::vector<std::pair<std::optional<std::int64_t>, std::string>>{
             {5120, formatByteCount(5368709120) + " per file on your plan"},
             {largest, formatByteCount(largest * 1'048'576) + " per file on your plan"},
             {largest + 1, "No per-file limit reported"},
             {0, "No per-file limit reported"},
             {-3, "No per-file limit reported"},
             {std::nullopt, "No per-file limit reported"}}) {
        EXPECT_EQ(perFileLimitText(limit), text);
    }
    EXPECT_EQ(appVersionText("1.0", "1"), "App 1.0 (1)");
}

TEST_F(SettingsPanes, AccountShowsThePortalsWordsAndSignsOut) {
    showReady();
    control().updateAccount({{"email", email}, {"plan_name", "<i>Pro</i>"}});
    restart();
    AppModel& m = showWindow();
    ASSERT_TRUE(runUntil([&] { return m.account() && m.account()->planName == "<i>Pro</i>"; }));
    SettingsView& view = openSettings(SettingsTab::account);
    auto& account = pane<AccountSettings>(view);
    EXPECT_EQ(account.emailText()->text().toStdString(), email);
    // The address can be selected and copied.
    QLabel* address = account.emailText();
    EXPECT_EQ(address->textFormat(), Qt::PlainText);
    address->setFocus();
    address->setSelection(0, static_cast<int>(address->text().size()));
    QTest::keySequence(address, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), email);
    EXPECT_EQ(account.planText()->text(), "<i>Pro</i>") << "shown as typed";
    EXPECT_TRUE(account.storageRow()->isVisibleTo(&account));
    EXPECT_EQ(account.computerRow()->labelText()->text(), "This computer");

    account.managePlanButton()->click();
    account.openInBrowserButton()->click();
    EXPECT_EQ(urlOpener.opened, (std::vector<std::string>{portalServicesURL(), portalKeldraURL()}));

    account.signOutButton()->click();
    EXPECT_EQ(account.signOutConfirmation()->text(), "Sign out of Orlivane Keldra?");
    answer(account.signOutConfirmation(), "Sign out");
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::signedOut; }));
    EXPECT_FALSE(secrets.read(sessionAccount).has_value());
    EXPECT_FALSE(storedKey().has_value());
}

TEST_F(SettingsPanes, StorageRowsFollowTheStatus) {
    AppModel& m = showReady();
    SettingsView& view = openSettings(SettingsTab::account);
    auto& account = pane<AccountSettings>(view);
    const auto status = [](std::int64_t used, std::int64_t quota, std::optional<std::int64_t> limit) {
        KeldraStatus s;
        s.usedBytes = FlexInt(used);
        s.quotaBytes = FlexInt(quota);
        if (limit) {
            s.maxFileSizeMb = FlexInt(*limit);
        }
        return s;
    };

    AppModelTestAccess::setKeldraStatus(m, std::nullopt);
    drainEvents();
    EXPECT_FALSE(account.storageRow()->isVisibleTo(&account));
    EXPECT_FALSE(account.largestFileRow()->isVisibleTo(&account));

    AppModelTestAccess::setKeldraStatus(m, status(50'000'000'000, 100'000'000'000, 5120));
    drainEvents();
    EXPECT_TRUE(account.storageRow()->isVisibleTo(&account));
    EXPECT_DOUBLE_EQ(account.storageBar()->fraction(), 0.5);
    EXPECT_EQ(account.usageText()->text().toStdString(),
              formatByteCount(50'000'000'000) + " of " + formatByteCount(100'000'000'000) +
                  " used \u00B7 shared with the web Keldra, including old versions");
    EXPECT_EQ(account.perFileText()->text().toStdString(),
              formatByteCount(5368709120) + " per file on your plan");
    EXPECT_EQ(account.storageBar()->maximumWidth(), 360);
    // The bar takes the row's width up to 360 and gives way in a narrow pane.
    for (const auto& [paneWidth, barWidth] : {std::pair{900, 360}, std::pair{430, 0}}) {
        AccountSettings alone(m);
        alone.resize(paneWidth, 700);
        alone.show();
        drainEvents();
        const QRect bar(alone.storageBar()->mapTo(&alone, QPoint(0, 0)), alone.storageBar()->size());
        if (barWidth > 0) {
            EXPECT_EQ(bar.width(), barWidth);
        } else {
            EXPECT_LT(bar.width(), 360) << paneWidth;
            EXPECT_GT(bar.width(), 0) << paneWidth;
        }
        EXPECT_LE(bar.right(), alone.width()) << "never past the pane's edge at " << paneWidth;
    }

    AppModelTestAccess::setKeldraStatus(m, status(120, 100, 0));
    drainEvents();
    EXPECT_DOUBLE_EQ(account.storageBar()->fraction(), 1.0);
    EXPECT_EQ(account.perFileText()->text(), "No per-file limit reported");
    AppModelTestAccess::setKeldraStatus(m, status(120, 0, std::nullopt));
    drainEvents();
    EXPECT_DOUBLE_EQ(account.storageBar()->fraction(), 0.0);
    EXPECT_EQ(account.perFileText()->text(), "No per-file limit reported");
}

} // namespace
} // namespace keldra::test
