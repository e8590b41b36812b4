#include "screens/shell/SectionScreens.h"

#include "onboarding/settings/SettingsView.h"
#include "screens/shell/PageHeader.h"
#include "screens/shell/PlaceholderPage.h"
#include "screens/shell/SectionList.h"

namespace keldra {

QWidget* makeOverviewScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, sectionTitle(AppSection::overview), true, parent);
}

QWidget* makeBackupsScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, sectionTitle(AppSection::backups), true, parent);
}

QWidget* makeRestoreScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, sectionTitle(AppSection::restore), false, parent);
}

QWidget* makeActivityScreen(AppModelView& app, QWidget* parent) {
    return new PlaceholderPage(app, sectionTitle(AppSection::activity), true, parent);
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
    return new SectionList(app, parent);
}

QWidget* makeSignalTopBar(AppModelView& app, QWidget* parent) {
    return new SectionList(app, parent);
}

} // namespace keldra
