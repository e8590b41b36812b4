#pragma once
// What the shell shows: one screen per section and the navigation of each style. Each is one function so
// that the screen built for it replaces its placeholder in one line.

#include "app/model/AppPhase.h"

class QWidget;

namespace keldra {

class AppModelView;

QWidget* makeOverviewScreen(AppModelView& app, QWidget* parent);
QWidget* makeBackupsScreen(AppModelView& app, QWidget* parent);
QWidget* makeRestoreScreen(AppModelView& app, QWidget* parent);
QWidget* makeActivityScreen(AppModelView& app, QWidget* parent);
// Opens on its Backup tab.
QWidget* makeSettingsScreen(AppModelView& app, QWidget* parent);
QWidget* makeSectionScreen(AppSection section, AppModelView& app, QWidget* parent);

// The glass sidebar and the signal top bar.
QWidget* makeGlassSidebar(AppModelView& app, QWidget* parent);
QWidget* makeSignalTopBar(AppModelView& app, QWidget* parent);

} // namespace keldra
