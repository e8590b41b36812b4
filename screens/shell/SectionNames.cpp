#include "screens/shell/SectionNames.h"

namespace keldra {

QString sectionTitle(AppSection section) {
    switch (section) {
    case AppSection::overview:
        return QStringLiteral("Overview");
    case AppSection::backups:
        return QStringLiteral("Backups");
    case AppSection::restore:
        return QStringLiteral("Restore");
    case AppSection::activity:
        return QStringLiteral("Activity");
    case AppSection::settings:
        return QStringLiteral("Settings");
    }
    return QStringLiteral("Overview");
}

QString sectionIconName(AppSection section) {
    switch (section) {
    case AppSection::overview:
        return QStringLiteral("icon-home-shield");
    case AppSection::backups:
        return QStringLiteral("icon-folder");
    case AppSection::restore:
        return QStringLiteral("icon-restore");
    case AppSection::activity:
        return QStringLiteral("icon-history");
    case AppSection::settings:
        return QStringLiteral("icon-settings-sliders");
    }
    return QStringLiteral("icon-home-shield");
}

QKeySequence sectionShortcut(AppSection section) {
    for (std::size_t i = 0; i < allSections.size(); ++i) {
        if (allSections[i] == section) {
            return QKeySequence(QStringLiteral("Ctrl+%1").arg(i + 1));
        }
    }
    return {};
}

} // namespace keldra
