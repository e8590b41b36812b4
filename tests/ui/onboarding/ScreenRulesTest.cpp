// The screens' own rules (one submission per intent, Return routing, view state) on the fake model; the
// same screens run on the real model in the application.

#include "design/button/OLButton.h"
#include "design/controls/CodeBoxes.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLTextField.h"
#include "design/motion/OLMotion.h"
#include "design/text/OLText.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/auth/TwoFactorView.h"
#include "onboarding/auth/UnlockView.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/settings/AccountSettings.h"
#include "onboarding/setup/KeyStep.h"
#include "onboarding/setup/ScheduleStep.h"
#include "onboarding/setup/SetupFlowView.h"
#include "tests/support/QtApp.h"
#include "tests/ui/kit/KitTest.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace keldra::test {
namespace {

void type(OLTextField* field, const QString& text) {
    field->lineEdit()->setFocus();
    field->lineEdit()->selectAll();
    QTest::keyClicks(field->lineEdit(), text);
}

// Text the keyboard helper cannot type (emoji): set as an input method would, reported as an edit.
void paste(OLTextField* field, const QString& text) {
    field->setText(text);
    emit field->textEdited(text);
}

void pressReturnIn(OLTextField* field) {
    field->lineEdit()->setFocus();
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
}

long count(const FakeAppModel& model, const std::string& prefix) {
    return std::count_if(model.calls().begin(), model.calls().end(),
                         [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

TEST(OnboardingScreens, ReturnsAndAClickInOneTurnSignInOnce) {
    FakeAppModel model;
    model.holdOperations(true);
    SignInView view(model);
    showActive(view);
    type(view.emailField(), QStringLiteral("  ada@example.com "));
    EXPECT_FALSE(view.signInButton()->isEnabled());
    pressReturnIn(view.emailField());
    EXPECT_EQ(count(model, "signIn"), 0) << "an empty password sends nothing";

    type(view.passwordField(), QStringLiteral("secret"));
    pressReturnIn(view.passwordField());
    pressReturnIn(view.emailField());
    view.signInButton()->click();
    EXPECT_EQ(count(model, "signIn"), 1);
    EXPECT_TRUE(view.signInButton()->isLoading());
    EXPECT_EQ(model.pendingEmail(), "ada@example.com");
    EXPECT_EQ(model.pendingPassword(), "secret");
    model.releaseOperations();
    drainEvents();
}

TEST(OnboardingScreens, TwoFactorSubmitsOnceAndEmptiesTheBoxesOnFailure) {
    FakeAppModel model;
    model.setPendingEmail("ada@example.com");
    model.setNextResult("The two-factor code is not valid.");
    TwoFactorView view(model);
    showActive(view);
    view.codeBoxes()->setFocus();
    view.codeBoxes()->insertText(QStringLiteral("12345"));
    QTest::keyClick(view.codeBoxes(), Qt::Key_Return);
    EXPECT_EQ(count(model, "signIn"), 0) << "five digits send nothing";

    model.holdOperations(true);
    view.codeBoxes()->insertText(QStringLiteral(" 6a"));
    QTest::keyClick(view.codeBoxes(), Qt::Key_Return);
    EXPECT_EQ(model.calls().back(), "signIn 123456");
    EXPECT_EQ(count(model, "signIn"), 1);
    model.releaseOperations();
    drainEvents();
    EXPECT_EQ(view.codeBoxes()->code(), "");
    EXPECT_EQ(view.errorLine()->text(), "The two-factor code is not valid.");

    view.backLink()->click();
    EXPECT_EQ(model.phase(), AppPhase::signedOut);
    EXPECT_FALSE(model.authError().has_value());
    EXPECT_EQ(model.pendingEmail(), "ada@example.com");
}

TEST(OnboardingScreens, UnlockKeepsAFailedPassphraseAndClearsASuccessfulOne) {
    FakeAppModel model;
    model.setNextResult("That passphrase doesn't match this Keldra. Check it and try again.");
    UnlockView view(model);
    showActive(view);
    type(view.passphraseField(), QStringLiteral("wrong"));
    view.rememberBox()->click();
    pressReturnIn(view.passphraseField());
    drainEvents();
    EXPECT_EQ(model.calls().back(), "unlock wrong remember");
    EXPECT_EQ(view.passphraseField()->text(), "wrong");
    EXPECT_TRUE(view.errorLine()->isVisible());

    model.setNextResult(std::nullopt);
    type(view.passphraseField(), QStringLiteral("right"));
    view.unlockButton()->click();
    drainEvents();
    EXPECT_EQ(view.passphraseField()->text(), "");
    EXPECT_FALSE(view.errorLine()->isVisible());
}

TEST(OnboardingScreens, CreateLayoutAsksForTenConfirmedAcknowledgedCharacters) {
    FakeAppModel model;
    model.setVerifierState(VerifierState::absent());
    bool advanced = false;
    KeyStep step(model, [&] { advanced = true; });
    showActive(step);
    type(step.passphraseField(), QStringLiteral("ninechars"));
    type(step.confirmField(), QStringLiteral("ninechars"));
    step.understoodBox()->click();
    EXPECT_FALSE(step.mainButton()->isEnabled());
    pressReturnIn(step.confirmField());
    EXPECT_EQ(count(model, "createPassphrase"), 0);
    EXPECT_FALSE(step.errorLine()->isVisible());

    type(step.passphraseField(), QStringLiteral("twelve chars"));
    type(step.confirmField(), QStringLiteral("twelve charz"));
    pressReturnIn(step.confirmField());
    EXPECT_EQ(step.errorLine()->text(), "The passphrases don't match.");
    pressReturnIn(step.passphraseField());
    EXPECT_EQ(count(model, "createPassphrase"), 0) << "the first field has no Return action";

    // Ten emoji are ten characters.
    const QString trees = QString::fromUtf8("\U0001F332").repeated(10);
    paste(step.passphraseField(), trees);
    paste(step.confirmField(), trees);
    EXPECT_TRUE(step.mainButton()->isEnabled());
    model.setKeldraKey(KeldraKey(SymmetricKey{}));
    model.holdOperations(true);
    pressReturnIn(step.confirmField());
    step.mainButton()->click();
    EXPECT_EQ(count(model, "createPassphrase"), 1);
    model.releaseOperations();
    drainEvents();
    EXPECT_TRUE(advanced);
}

// The step follows the verifier's answers on screen: each layout shows its own parts, what was typed and
// ticked stays, and Return knows only the fields of the layout shown, however often the layout changed.
TEST(OnboardingScreens, KeyStepFollowsTheVerifierAndRoutesReturnOnlyInItsShownFields) {
    FakeAppModel model;
    model.setVerifierState(VerifierState::absent());
    KeyStep step(model, [] {});
    showActive(step);
    type(step.passphraseField(), QStringLiteral("twelve chars"));
    step.understoodBox()->click();

    struct Shown {
        VerifierState state;
        bool passphrase;
        bool create;
        std::size_t routedFields;
    };
    const Shown states[] = {
        {VerifierState::unavailable("The Keldra is busy."), false, false, 0},
        {VerifierState::exists(), true, false, 1},
        {VerifierState::absent(), true, true, 2},
        {VerifierState::exists(), true, false, 1},
        {VerifierState::absent(), true, true, 2},
    };
    for (const Shown& shown : states) {
        SCOPED_TRACE(static_cast<int>(shown.state.kind));
        model.setVerifierState(shown.state);
        drainEvents();
        EXPECT_EQ(step.passphraseField() != nullptr, shown.passphrase);
        EXPECT_EQ(step.mainButton() != nullptr, shown.passphrase);
        EXPECT_EQ(step.confirmField() != nullptr, shown.create);
        EXPECT_EQ(step.router()->fieldCount(), shown.routedFields);
        if (shown.passphrase) {
            EXPECT_TRUE(step.passphraseField()->isVisible());
            EXPECT_EQ(step.passphraseField()->text(), "twelve chars");
            EXPECT_EQ(step.mainButton()->title(),
                      shown.create ? QStringLiteral("Create passphrase") : QStringLiteral("Continue"));
        }
        if (shown.create) {
            EXPECT_TRUE(step.understoodBox()->isChecked());
        }
    }
    model.holdOperations(true);
    model.setVerifierState(VerifierState::exists());
    drainEvents();
    pressReturnIn(step.passphraseField());
    EXPECT_EQ(count(model, "unlock"), 1);
    model.releaseOperations();
    drainEvents();
}

// The set-up flow opens the create layout in the passphrase field, whether the step was built knowing the
// answer or the answer came while it was on screen; a field the user chose keeps the focus when the window
// comes back.
TEST(OnboardingScreens, CreateLayoutOpensInThePassphraseField) {
    for (const bool knownBefore : {true, false}) {
        SCOPED_TRACE(knownBefore ? "built knowing the answer" : "the answer came on screen");
        FakeAppModel model;
        model.setVerifierState(knownBefore ? VerifierState::absent() : VerifierState::unknown());
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* flow = new SetupFlowView(model);
        layout->addWidget(flow);
        showActive(window);
        if (!knownBefore) {
            model.setVerifierState(VerifierState::absent());
            drainEvents();
        }
        auto* step = qobject_cast<KeyStep*>(flow->stepView());
        ASSERT_TRUE(step && step->passphraseField());
        EXPECT_TRUE(step->passphraseField()->isFocused());

        step->confirmField()->lineEdit()->setFocus();
        window.hide();
        showActive(window);
        EXPECT_TRUE(step->confirmField()->isFocused());
    }
}

TEST(OnboardingScreens, StartFinishesSetupOnce) {
    FakeAppModel model;
    model.holdOperations(true);
    ScheduleStep step(model);
    showActive(step);
    step.launchAtLoginBox()->click();
    step.notificationsBox()->click();
    QTest::keyClick(&step, Qt::Key_Return);
    step.startButton()->click();
    EXPECT_EQ(count(model, "finishSetup"), 1);
    EXPECT_EQ(model.calls().back(), "finishSetup") << "both boxes cleared";
    model.releaseOperations();
    drainEvents();
}

// The step left behind fades out over the next one along the style's curve; not when the desktop asks for
// less motion.
TEST(OnboardingScreens, SetupStepsCrossFadeUnlessTheDesktopReducesMotion) {
    const OLTheme glass{OLStyle::glass, OLAccent::frost, 999};
    const OLTheme signal{OLStyle::signal, OLAccent::frost, 999};
    const struct {
        OLTheme theme;
        bool reduceMotion;
        std::optional<int> fadeMs;
    } cases[] = {
        {glass, false, OLMotion::durationMs(phaseAnimation(glass))},
        {signal, false, 250},
        {signal, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reduceMotion ? "reduced" : isGlass(c.theme) ? "glass" : "signal");
        AnimationsOn animations;
        DesktopMotion desktop(c.reduceMotion);
        ASSERT_TRUE(desktop.ready());
        FakeAppModel model;
        QWidget scope;
        olSetTheme(&scope, c.theme);
        auto* layout = new QVBoxLayout(&scope);
        auto* flow = new SetupFlowView(model);
        layout->addWidget(flow);
        scope.resize(1200, 760);
        showActive(scope);
        const QRect firstStep = flow->stepView()->geometry();

        flow->setStep(1);
        auto* fade = flow->findChild<QWidget*>(QStringLiteral("crossFade"));
        if (!c.fadeMs) {
            EXPECT_EQ(fade, nullptr);
            continue;
        }
        ASSERT_NE(fade, nullptr);
        EXPECT_EQ(fade->geometry(), firstStep);
        EXPECT_TRUE(fade->isVisible());
        EXPECT_EQ(fade->parentWidget()->children().constLast(), fade) << "over the new step";
        auto* animation = fade->findChild<QVariantAnimation*>();
        ASSERT_NE(animation, nullptr);
        EXPECT_EQ(animation->state(), QAbstractAnimation::Running);
        EXPECT_EQ(animation->duration(), *c.fadeMs);
        QPointer<QWidget> faded = fade;
        animation->setCurrentTime(animation->duration());
        drainEvents();
        EXPECT_TRUE(faded.isNull()) << "gone once faded";
    }
}

// Builds `Screen` on the model (kept in `held`) and returns its link.
template <class Screen>
std::function<OLButton*(FakeAppModel&, std::unique_ptr<QWidget>&)> linkIn(OLButton* (Screen::*link)() const) {
    return [link](FakeAppModel& model, std::unique_ptr<QWidget>& held) {
        auto* screen = new Screen(model);
        held.reset(screen);
        return (screen->*link)();
    };
}

TEST(OnboardingScreens, LinksAreAsTallAsTheOtherControls) {
    const struct {
        const char* name;
        std::function<OLButton*(FakeAppModel&, std::unique_ptr<QWidget>&)> link;
    } cases[] = {
        {"Forgot password?", linkIn(&SignInView::forgotPasswordLink)},
        {"Get Keldra", linkIn(&SignInView::getKeldraLink)},
        {"Sign in", linkIn(&TwoFactorView::backLink)},
        {"Sign out", linkIn(&UnlockView::signOutLink)},
        {"Manage plan", linkIn(&AccountSettings::managePlanButton)},
        {"Open in browser", linkIn(&AccountSettings::openInBrowserButton)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel model;
        std::unique_ptr<QWidget> screen;
        OLButton* link = c.link(model, screen);
        screen->resize(900, 700);
        screen->show();
        drainEvents();
        EXPECT_EQ(link->title(), QString::fromUtf8(c.name));
        EXPECT_EQ(link->height(), static_cast<int>(OLSize::controlHeight));
    }
}

// Signing out may take the asking screen away, so on the unlock screen as in the settings it starts once the
// question has closed and its handlers have returned: not inside the click, on the next turn.
TEST(OnboardingScreens, SignOutStartsOnTheTurnAfterTheQuestionCloses) {
    const struct {
        const char* name;
        std::function<QMessageBox*(FakeAppModel&, std::unique_ptr<QWidget>&)> ask;
    } cases[] = {
        {"unlock screen",
         [](FakeAppModel& model, std::unique_ptr<QWidget>& held) {
             auto* view = new UnlockView(model);
             held.reset(view);
             showActive(*view);
             view->signOutLink()->click();
             return view->confirmation();
         }},
        {"account settings",
         [](FakeAppModel& model, std::unique_ptr<QWidget>& held) {
             auto* pane = new AccountSettings(model);
             held.reset(pane);
             showActive(*pane);
             pane->signOutButton()->click();
             return pane->signOutConfirmation();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel model;
        std::unique_ptr<QWidget> screen;
        QPointer<QMessageBox> box = c.ask(model, screen);
        ASSERT_TRUE(box);
        QAbstractButton* signOut = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("Sign out")) {
                signOut = button;
            }
        }
        ASSERT_TRUE(signOut);
        signOut->click();
        EXPECT_EQ(count(model, "signOut"), 0) << "signed out inside the dialog's own handlers";
        drainEvents();
        EXPECT_EQ(count(model, "signOut"), 1);
        EXPECT_FALSE(box) << "the question closes";
    }
}

} // namespace
} // namespace keldra::test
