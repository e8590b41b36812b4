#include "screens/shell/SectionScreens.h"

#include "onboarding/settings/SettingsView.h"
#include "screens/activity/ActivityView.h"
#include "screens/backups/BackupsView.h"
#include "screens/chrome/GlassSidebar.h"
#include "screens/chrome/SignalTopBar.h"
#include "screens/overview/OverviewView.h"
#include "screens/restore/ModelRestoreHost.h"
#include "screens/restore/RestoreView.h"
#include "screens/shell/PageHeader.h"
#include "screens/shell/SectionNames.h"

namespace keldra {

QWidget* makeOverviewScreen(AppModelView& app, QWidget* parent) {
    return new OverviewView(app, parent);
}

QWidget* makeBackupsScreen(AppModelView& app, QWidget* parent) {
    return new BackupsView(app, parent);
}

QWidget* makeRestoreScreen(AppModelView& app, QWidget* parent) {
    return new RestoreView(std::make_unique<ModelRestoreHost>(app), parent);
}

QWidget* makeActivityScreen(AppModelView& app, QWidget* parent) {
    return new ActivityView(app, parent);
}

QWidget* makeSettingsScreen(AppModelView& app, QWidget* parent) {
    return new SettingsView(
        app, [](const QString& title, QWidget* tabs) { return new PageHeader(title, tabs); }, parent);
}

QWidget* makeSectionScreen(AppSection section, AppModelView& app, QWidget* parent) {
    switch (section) {
    case AppSection::overview:
        return makeOverviewScreen(app, parent);
    case AppSection::backups:
        return makeBackupsScreen(app, parent);
    case AppSection::restore:
        return makeRestoreScreen(app, parent);
    case AppSection::activity:
        return makeActivityScreen(app, parent);
    case AppSection::settings:
        return makeSettingsScreen(app, parent);
    }
    return makeOverviewScreen(app, parent);
}

QWidget* makeGlassSidebar(AppModelView& app, QWidget* parent) {
    return new GlassSidebar(app, parent);
}

QWidget* makeSignalTopBar(AppModelView& app, QWidget* parent) {
    return new SignalTopBar(app, parent);
}

} // namespace keldra
