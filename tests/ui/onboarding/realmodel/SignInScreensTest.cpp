#include "design/controls/CodeBoxes.h"
#include "design/text/OLText.h"
#include "design/theme/ThemeScope.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/auth/TwoFactorView.h"
#include "service/types/PortalLinks.h"
#include "tests/ui/onboarding/realmodel/OnboardingFixture.h"
#include "tests/ui/support/UiTest.h"

#include <QLabel>

namespace keldra::test {
namespace {

class SignInScreens : public OnboardingFixture {
protected:
    void fillIn(SignInView& view, const QString& address, const QString& secret) {
        type(view.emailField(), address);
        type(view.passwordField(), secret);
    }
};

TEST_F(SignInScreens, ReturnsAndAClickInOneTurnSendOneSignIn) {
    createAccount();
    AppModel& m = start();
    ASSERT_EQ(m.phase(), AppPhase::signedOut);
    SignInView view(m);
    showActive(view);
    paste(view.emailField(), QStringLiteral("  ada@example.com\n"));
    type(view.passwordField(), QString::fromUtf8(password));

    // The same turn of the event loop: the first Return marks the model working, the rest do nothing.
    pressReturnIn(view.passwordField());
    pressReturnIn(view.emailField());
    view.signInButton()->click();
    EXPECT_TRUE(view.signInButton()->isLoading());
    EXPECT_EQ(m.pendingEmail(), email) << "the address goes trimmed";
    EXPECT_EQ(view.emailField()->text(), "  ada@example.com\n") << "the field keeps what was typed";
    EXPECT_TRUE(runUntil([&] { return m.phase() != AppPhase::signedOut; }));
    settle();
    EXPECT_EQ(requests("auth-token"), 1);
    EXPECT_EQ(m.phase(), AppPhase::setup);
}

TEST_F(SignInScreens, EmptyFieldsDisableSignInAndReturnSendsNothing) {
    createAccount();
    AppModel& m = start();
    SignInView view(m);
    showActive(view);
    type(view.emailField(), QString::fromUtf8(email));
    EXPECT_FALSE(view.signInButton()->isEnabled());
    pressReturnIn(view.emailField());
    drainEvents();
    EXPECT_FALSE(m.isWorking());
    EXPECT_EQ(requests("auth-token"), 0);
    // Spaces count as typed: the button is enabled though the address sent would be empty.
    type(view.passwordField(), QStringLiteral(" "));
    EXPECT_TRUE(view.signInButton()->isEnabled());
}

TEST_F(SignInScreens, FailuresShowTheModelsMessage) {
    struct Case {
        const char* what;
        nlohmann::json fault; // none: a wrong password
        const char* message;
    };
    const std::vector<Case> cases{
        {"wrong password", nullptr, "Email or password is incorrect."},
        {"rate limited",
         {{"endpoint", "auth-token"}, {"status", 429}, {"retry_after", 1}, {"count", -1}},
         "Too many sign-in attempts. Wait a minute and try again."},
    };
    createAccount();
    AppModel& m = start();
    for (const Case& c : cases) {
        control().clearFaults();
        if (!c.fault.is_null()) {
            control().addFault(c.fault);
        }
        SignInView view(m);
        showActive(view);
        fillIn(view, QString::fromUtf8(email),
               c.fault.is_null() ? QStringLiteral("wrong") : QString::fromUtf8(password));
        view.submit();
        settle();
        EXPECT_EQ(m.phase(), AppPhase::signedOut) << c.what;
        EXPECT_TRUE(view.errorLine()->isVisible()) << c.what;
        EXPECT_EQ(view.errorLine()->text(), c.message) << c.what;
        // A new attempt clears the message while it runs; failing again brings it back. Looked at when the
        // model marks the attempt running: a quick answer (an injected 429) may already be in when submit()
        // returns, as the request runs on a worker.
        int starts = 0;
        bool hiddenWhileRunning = false;
        const auto watching = QObject::connect(&m, &AppModelView::isWorkingChanged, &view, [&] {
            if (m.isWorking()) {
                ++starts;
                hiddenWhileRunning = !view.errorLine()->isVisible();
            }
        });
        const auto sent = requests("auth-token");
        view.submit();
        settle();
        QObject::disconnect(watching);
        EXPECT_EQ(starts, 1) << c.what;
        EXPECT_TRUE(hiddenWhileRunning) << c.what;
        EXPECT_EQ(requests("auth-token"), sent + 1) << c.what;
        EXPECT_TRUE(view.errorLine()->isVisible()) << c.what;
        EXPECT_EQ(view.errorLine()->text(), c.message) << c.what;
    }
}

TEST_F(SignInScreens, TwoFactorCodeWrongThenPastedThenSignedIn) {
    createAccount(email, {{"two_factor_code", "123456"}});
    AppModel& m = start();
    {
        SignInView view(m);
        showActive(view);
        fillIn(view, QString::fromUtf8(email), QString::fromUtf8(password));
        view.submit();
        settle();
    }
    ASSERT_EQ(m.phase(), AppPhase::twoFactor);
    TwoFactorView view(m);
    showActive(view);
    EXPECT_EQ(view.title()->subtitle()->text(),
              "Enter the 6-digit code from your authenticator app for ada@example.com.");
    EXPECT_FALSE(view.errorLine()->isVisible()) << "asking for a code is no error";

    view.codeBoxes()->insertText(QStringLiteral("00000"));
    EXPECT_FALSE(view.verifyButton()->isEnabled());
    view.verify();
    EXPECT_FALSE(m.isWorking()) << "five digits send nothing";
    const auto before = requests("auth-token");
    view.codeBoxes()->insertText(QStringLiteral("0")); // the sixth digit submits
    settle();
    EXPECT_EQ(requests("auth-token"), before + 1);
    EXPECT_EQ(m.phase(), AppPhase::twoFactor);
    EXPECT_TRUE(view.errorLine()->isVisible());
    EXPECT_FALSE(view.errorLine()->text().isEmpty());
    EXPECT_EQ(view.codeBoxes()->code(), "") << "a failed code empties the boxes";

    // A pasted code with spaces, letters and a dash: its six digits, sent once even with Return at once.
    view.codeBoxes()->setFocus();
    view.codeBoxes()->insertText(QStringLiteral(" 12a 34-56"));
    QTest::keyClick(view.codeBoxes(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(runUntil([&] { return m.phase() != AppPhase::twoFactor; }));
    settle();
    EXPECT_EQ(requests("auth-token"), before + 2);
    EXPECT_EQ(m.phase(), AppPhase::setup);
}

TEST_F(SignInScreens, BackFromTwoFactorKeepsTheAddressOnly) {
    createAccount(email, {{"two_factor_code", "123456"}});
    AppModel& m = start();
    m.setPendingEmail(email);
    m.setPendingPassword(password);
    await(m.signIn());
    ASSERT_EQ(m.phase(), AppPhase::twoFactor);
    m.setAuthError("Old message");
    {
        TwoFactorView view(m);
        showActive(view);
        view.backLink()->click();
    }
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_EQ(m.pendingEmail(), email);
    EXPECT_EQ(m.pendingPassword(), "");
    EXPECT_FALSE(m.authError().has_value());
    SignInView signIn(m);
    EXPECT_EQ(signIn.emailField()->text(), email);
    EXPECT_EQ(signIn.passwordField()->text(), "");
    EXPECT_FALSE(signIn.errorLine()->isVisible());
}

TEST_F(SignInScreens, ExpiredSessionReturnsWithTheAddressFilledIn) {
    AppModel& m = startSignedIn();
    ASSERT_NE(m.phase(), AppPhase::signedOut);
    m.sessionExpired();
    drainEvents();
    ASSERT_EQ(m.phase(), AppPhase::signedOut);
    SignInView view(m);
    EXPECT_EQ(view.emailField()->text(), email);
    EXPECT_EQ(view.passwordField()->text(), "");
}

TEST_F(SignInScreens, LinksOpenThePortalPagesAndChangeNothing) {
    AppModel& m = start();
    SignInView view(m);
    view.forgotPasswordLink()->click();
    view.getKeldraLink()->click();
    EXPECT_EQ(urlOpener.opened, (std::vector<std::string>{portalForgotPasswordURL(), portalServicesURL()}));
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
}

TEST_F(SignInScreens, HeadingsFollowTheStyle) {
    AuthTitle title(QStringLiteral("Sign in"), QStringLiteral("Sign in."));
    olSetTheme(&title, OLTheme{OLStyle::signal, OLAccent::teal, 999});
    EXPECT_EQ(title.heading()->text(), "Sign in.");
    EXPECT_EQ(title.subtitle(), nullptr) << "no subtitle, no empty row";
    olSetTheme(&title, OLTheme{OLStyle::glass, OLAccent::teal, 999});
    EXPECT_EQ(title.heading()->text(), "Sign in");

    // A long signal heading shrinks before it elides; a glass one wraps.
    AuthTitle longTitle(QStringLiteral("A heading far too long for one line of the column"),
                        QStringLiteral("Backups aren't available yet"));
    longTitle.setFixedWidth(440);
    olSetTheme(&longTitle, OLTheme{OLStyle::signal, OLAccent::frost, 999});
    grab(&longTitle);
    EXPECT_EQ(longTitle.heading()->maxLines(), 1);
    EXPECT_LE(longTitle.heading()->sizeHint().height(), 64 * 1.3);
    olSetTheme(&longTitle, OLTheme{OLStyle::glass, OLAccent::frost, 999});
    grab(&longTitle);
    EXPECT_GT(longTitle.heading()->heightForWidth(440), longTitle.heading()->heightForWidth(4000));
}

} // namespace
} // namespace keldra::test
