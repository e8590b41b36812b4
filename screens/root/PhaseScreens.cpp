#include "screens/root/PhaseScreens.h"

#include "onboarding/auth/SignInView.h"
#include "onboarding/auth/TwoFactorView.h"
#include "onboarding/auth/UnlockView.h"
#include "onboarding/setup/SetupFlowView.h"
#include "screens/root/LaunchView.h"
#include "screens/shell/MainShell.h"

namespace keldra {

QWidget* makeLaunchScreen(AppModelView&, QWidget* parent) {
    return new LaunchView(parent);
}

QWidget* makeSignInScreen(AppModelView& app, QWidget* parent) {
    return new SignInView(app, parent);
}

QWidget* makeTwoFactorScreen(AppModelView& app, QWidget* parent) {
    return new TwoFactorView(app, parent);
}

QWidget* makeSetupScreen(AppModelView& app, QWidget* parent) {
    return new SetupFlowView(app, parent);
}

QWidget* makeUnlockScreen(AppModelView& app, QWidget* parent) {
    return new UnlockView(app, parent);
}

QWidget* makeReadyScreen(AppModelView& app, QWidget* parent) {
    return new MainShell(app, parent);
}

QWidget* makePhaseScreen(AppPhase phase, AppModelView& app, QWidget* parent) {
    switch (phase) {
    case AppPhase::launching:
        return makeLaunchScreen(app, parent);
    case AppPhase::signedOut:
        return makeSignInScreen(app, parent);
    case AppPhase::twoFactor:
        return makeTwoFactorScreen(app, parent);
    case AppPhase::setup:
        return makeSetupScreen(app, parent);
    case AppPhase::unlock:
        return makeUnlockScreen(app, parent);
    case AppPhase::ready:
        return makeReadyScreen(app, parent);
    }
    return makeLaunchScreen(app, parent);
}

} // namespace keldra
