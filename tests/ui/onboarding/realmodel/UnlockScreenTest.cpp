#include "design/controls/OLCheckbox.h"
#include "design/text/OLText.h"
#include "onboarding/auth/UnlockView.h"
#include "tests/ui/onboarding/realmodel/OnboardingFixture.h"

#include <QMessageBox>
#include <QPushButton>

namespace keldra::test {
namespace {

class UnlockScreen : public OnboardingFixture {
protected:
    // Set up earlier, the session kept, no key kept: the app starts locked.
    AppModel& startLocked() {
        createAccount();
        storeVerifier(email, passphrase);
        storeSession(signedInSession());
        saveSettings(email, readySettings());
        AppModel& m = start();
        EXPECT_EQ(m.phase(), AppPhase::unlock);
        return m;
    }

    static QPushButton* button(QMessageBox* box, const QString& title) {
        for (QAbstractButton* candidate : box->buttons()) {
            if (candidate->text() == title) {
                return qobject_cast<QPushButton*>(candidate);
            }
        }
        return nullptr;
    }
};

TEST_F(UnlockScreen, WrongThenRightPassphraseKeepsTheKeyWhenAsked) {
    AppModel& m = startLocked();
    UnlockView view(m);
    showActive(view);
    EXPECT_FALSE(view.unlockButton()->isEnabled());
    pressReturnIn(view.passphraseField());
    EXPECT_FALSE(m.isWorking()) << "an empty field sends nothing";

    type(view.passphraseField(), QStringLiteral("wrong words"));
    pressReturnIn(view.passphraseField());
    settle();
    EXPECT_EQ(m.phase(), AppPhase::unlock);
    EXPECT_TRUE(view.errorLine()->isVisible());
    EXPECT_FALSE(view.errorLine()->text().isEmpty());
    EXPECT_EQ(view.passphraseField()->text(), "wrong words");

    // While the next attempt runs the old message stays, and Return starts nothing more.
    type(view.passphraseField(), QString::fromUtf8(passphrase));
    view.rememberBox()->click();
    view.unlockButton()->click();
    EXPECT_TRUE(view.errorLine()->isVisible());
    pressReturnIn(view.passphraseField());
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::ready; }));
    drainEvents();
    EXPECT_TRUE(m.keldraKey().has_value());
    EXPECT_TRUE(runUntil([&] { return m.unattended(); })) << "once the keyring has the key";
    // The keyring is written on its own lane, after the phase moved on.
    EXPECT_TRUE(runUntil([&] { return storedKey().has_value(); })) << "\"remember\" writes the keyring item";
    const auto kept = storedKey();
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(KeldraKey::fromBytes(*kept), KeldraKey::derive(passphrase));
}

TEST_F(UnlockScreen, CancelledSignOutKeepsEverything) {
    AppModel& m = startLocked();
    UnlockView view(m);
    showActive(view);
    type(view.passphraseField(), QStringLiteral("half typed"));
    view.signOutLink()->click();
    QMessageBox* box = view.confirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Sign out?");
    button(box, QStringLiteral("Cancel"))->click();
    drainEvents();
    EXPECT_EQ(m.phase(), AppPhase::unlock);
    EXPECT_EQ(view.passphraseField()->text(), "half typed");
    EXPECT_TRUE(m.session().has_value());

    view.signOutLink()->click();
    ASSERT_NE(view.confirmation(), nullptr);
    button(view.confirmation(), QStringLiteral("Sign out"))->click();
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::signedOut; }));
}

TEST_F(UnlockScreen, SignOutWhileUnlockingLeavesNoKey) {
    AppModel& m = startLocked();
    control().addFault({{"endpoint", "verifier-get"}, {"latency_ms", 1500}});
    UnlockView view(m);
    showActive(view);
    type(view.passphraseField(), QString::fromUtf8(passphrase));
    view.rememberBox()->click();
    view.unlock();
    ASSERT_TRUE(m.isWorking());
    // The sign-out comes once the check has reached the portal (its fault is taken as it arrives), whose
    // answer then takes 1.5 s; on a loaded machine the check may not have left yet when unlock() returns.
    ASSERT_TRUE(runUntil([&] { return control().get("/_control/faults").at("faults").empty(); }));
    await(m.signOut());
    EXPECT_TRUE(m.isWorking()) << "the answer is still on its way";
    // Signing out leaves the working mark alone: it drops when the late answer has been thrown away.
    settle();
    EXPECT_EQ(requests("verifier-get"), 1);
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_FALSE(m.keldraKey().has_value());
    EXPECT_FALSE(storedKey().has_value());
}

} // namespace
} // namespace keldra::test
