#pragma once
// One plain page per phase of the model, for the placeholder window content.

#include <QWidget>

namespace keldra {

class AppModel;

QWidget* makeLaunchingPage(AppModel& model);
QWidget* makeSignInPage(AppModel& model);
QWidget* makeCodePage(AppModel& model);
QWidget* makeSetupPage(AppModel& model);
QWidget* makeUnlockPage(AppModel& model);
QWidget* makeReadyPage(AppModel& model);

} // namespace keldra
