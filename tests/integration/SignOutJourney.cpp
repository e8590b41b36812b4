#include "app/model/AppModel.h"
#include "core/index/BackupIndex.h"
#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "design/button/OLButton.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/OLTextField.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/auth/UnlockView.h"
#include "onboarding/settings/AccountSettings.h"
#include "onboarding/settings/SettingsView.h"
#include "platform/secrets/LibsecretStore.h"
#include "screens/chrome/SidebarItem.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingLogger.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <csignal>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// The application's items in the session's keyring.
struct KeyringItems {
    bool session = false;
    bool key = false;
};

KeyringItems keyringItems(std::string_view email) {
    RecordingLogger logger;
    LibsecretStore keyring(logger);
    return {keyring.read(sessionAccount).has_value(),
            keyring.read(keldraKeyAccount(scopeKey(email))).has_value()};
}

// The bearer token of the session kept in the keyring.
std::string storedToken() {
    RecordingLogger logger;
    LibsecretStore keyring(logger);
    const auto stored = keyring.read(sessionAccount);
    if (!stored) {
        return {};
    }
    const auto session = nlohmann::json::parse(stored->begin(), stored->end(), nullptr, false);
    return session.is_object() ? session.value("token", "") : "";
}

std::size_t lockedNotices(const NotificationRecorder& desktop) {
    const auto received = desktop.received();
    return static_cast<std::size_t>(
        std::count_if(received.begin(), received.end(),
                      [](const auto& notification) { return notification.summary == "Keldra is locked"; }));
}

// Settings › Account › Sign out leaves nothing of the account in the keyring. Signing in again asks for the
// passphrase; unlocked with the key kept on this computer ("remember"), keldra started at login later comes
// up ready and backs up without signing in again.
TEST_F(KeldraJourney, SignOutAndIn) {
    NotificationRecorder desktop(std::chrono::milliseconds(0), NotificationRecorder::Name::desktop);
    ASSERT_TRUE(desktop.serving()) << "the session's notification name is taken";
    const auto documents = home() / "Documents";
    writeFile(documents / "thesis.tex", "\\chapter{Introduction}");
    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    setUpAccount(documents, true);
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.lastRun()->status, RunStatus::succeeded);
    ASSERT_TRUE(keyringItems(email).session);
    ASSERT_TRUE(keyringItems(email).key) << "set-up remembered the key";

    // Settings › Account › Sign out, confirmed.
    MainWindow& window = keldra.shell().window();
    QApplication::setActiveWindow(&window);
    SidebarItem* settingsItem = nullptr;
    ASSERT_TRUE(runUntil([&] {
        for (SidebarItem* item : window.findChildren<SidebarItem*>()) {
            if (item->section() == AppSection::settings && item->isVisible()) {
                settingsItem = item;
            }
        }
        return settingsItem != nullptr;
    }));
    click(settingsItem);
    SettingsView* settings = shownWidget<SettingsView>(window);
    ASSERT_TRUE(settings);
    OLSegmented* tabs = settings->tabStrip();
    ASSERT_TRUE(tabs);
    const int accountTab = static_cast<int>(tabs->labels().indexOf(QStringLiteral("Account")));
    ASSERT_GE(accountTab, 0);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->segmentRect(accountTab).center().toPoint());
    AccountSettings* account = shownWidget<AccountSettings>(window);
    ASSERT_TRUE(account);
    click(account->signOutButton());
    ASSERT_TRUE(runUntil([&] { return account->signOutConfirmation() != nullptr; }));
    QMessageBox* confirmation = account->signOutConfirmation();
    EXPECT_EQ(confirmation->text(), "Sign out of Orlivane Keldra?");
    EXPECT_EQ(
        confirmation->informativeText(),
        "Backups stop and the stored key is removed from this computer. Your files stay in the Keldra.");
    QAbstractButton* signOut = nullptr;
    for (QAbstractButton* button : confirmation->buttons()) {
        if (confirmation->buttonRole(button) == QMessageBox::DestructiveRole) {
            signOut = button;
        }
    }
    ASSERT_TRUE(signOut);
    EXPECT_EQ(signOut->text(), "Sign out");
    click(signOut);
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::signedOut; }));
    EXPECT_EQ(control().requestCount("auth-revoke"), 1);
    const KeyringItems afterSignOut = keyringItems(email);
    EXPECT_FALSE(afterSignOut.session);
    EXPECT_FALSE(afterSignOut.key);

    // Signing in again leads to the unlock screen: the key went with the sign-out.
    SignInView* signIn = shownWidget<SignInView>(window);
    ASSERT_TRUE(signIn);
    typeInto(signIn->emailField(), QString::fromUtf8(email));
    typeInto(signIn->passwordField(), QString::fromUtf8(password));
    click(signIn->signInButton());
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::unlock; }));
    UnlockView* unlock = shownWidget<UnlockView>(window);
    ASSERT_TRUE(unlock);
    EXPECT_FALSE(unlock->rememberBox()->isOn());
    typeInto(unlock->passphraseField(), QString::fromUtf8(passphrase));
    click(unlock->rememberBox());
    EXPECT_TRUE(unlock->rememberBox()->isOn());
    click(unlock->unlockButton());
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::ready; }));
    EXPECT_TRUE(runUntil([&] { return model.unattended(); })) << "once the keyring has the key";
    const KeyringItems afterUnlock = keyringItems(email);
    EXPECT_TRUE(afterUnlock.session);
    EXPECT_TRUE(afterUnlock.key);
    quit();

    // Two days later keldra starts at login; its daily backup is due and a new file waits.
    writeFile(documents / "chapter-2.tex", "\\chapter{Method}");
    {
        RecordingLogger logger;
        BackupIndex index(accountFolder(), logger);
        const auto twoDaysAgo = std::chrono::duration_cast<std::chrono::seconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count() -
                                2 * 86400;
        ASSERT_TRUE(index.setMeta("lastSuccess", std::to_string(twoDaysAgo)));
    }
    const std::size_t lockedBefore = lockedNotices(desktop);
    control().resetStats();
    const pid_t atLogin = startProgram({"--autostart"});
    // Ready, with the key from the keyring: it backs up on its own.
    ASSERT_TRUE(runUntil([&] { return control().files(email).size() == 2; }, std::chrono::seconds(60)))
        << "the restarted keldra did not back up";
    // Its requests, from the portal's log: no sign-in and no token renewal, only the session that the
    // sign-in in the window stored.
    const std::string token = storedToken();
    ASSERT_FALSE(token.empty());
    std::size_t authorized = 0;
    for (const auto& request : control().requests()) {
        const std::string endpoint = request.value("endpoint", "");
        EXPECT_NE(endpoint, "auth-token") << "it signed in again";
        EXPECT_NE(endpoint, "auth-refresh");
        const auto& headers = request.at("headers");
        if (headers.contains("Authorization")) {
            EXPECT_EQ(headers.at("Authorization").get<std::string>(), "Bearer " + token) << endpoint;
            ++authorized;
        }
    }
    EXPECT_GT(authorized, 0u);
    EXPECT_EQ(lockedNotices(desktop), lockedBefore) << "it came up locked";

    ASSERT_EQ(kill(atLogin, SIGTERM), 0);
    const auto status = waitForProgram(atLogin);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
}

} // namespace
} // namespace keldra::test
