#pragma once
// The screen of each phase of the window. Each is one function so that the screen built for it replaces
// its placeholder in one line.

#include "app/model/AppPhase.h"

class QWidget;

namespace keldra {

class AppModelView;

QWidget* makeLaunchScreen(AppModelView& app, QWidget* parent);
QWidget* makeSignInScreen(AppModelView& app, QWidget* parent);
QWidget* makeTwoFactorScreen(AppModelView& app, QWidget* parent);
// Starts at its first step.
QWidget* makeSetupScreen(AppModelView& app, QWidget* parent);
QWidget* makeUnlockScreen(AppModelView& app, QWidget* parent);
QWidget* makeReadyScreen(AppModelView& app, QWidget* parent);
QWidget* makePhaseScreen(AppPhase phase, AppModelView& app, QWidget* parent);

} // namespace keldra
