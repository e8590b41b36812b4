#include "screens/root/PhaseScreens.h"

#include "screens/root/LaunchView.h"
#include "screens/shell/MainShell.h"
#include "screens/shell/PlaceholderPage.h"

namespace keldra {

QWidget* makeLaunchScreen(AppModelView&, QWidget* parent) {
    return new LaunchView(parent);
}

QWidget* makeSignInScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, QStringLiteral("Sign in"), false, parent);
}

QWidget* makeTwoFactorScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, QStringLiteral("Two-factor code"), false, parent);
}

QWidget* makeSetupScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, QStringLiteral("Setup"), false, parent);
}

QWidget* makeUnlockScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, QStringLiteral("Unlock"), false, parent);
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
