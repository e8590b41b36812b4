#include "onboarding/settings/SettingsTab.h"

namespace keldra {

namespace {

constexpr std::array<std::string_view, 5> rawValues{"general", "backup", "encryption", "appearance",
                                                    "account"};

} // namespace

std::string_view settingsTabRawValue(SettingsTab tab) {
    return rawValues[static_cast<std::size_t>(tab)];
}

std::optional<SettingsTab> settingsTabFromRawValue(std::string_view raw) {
    for (SettingsTab tab : allSettingsTabs) {
        if (settingsTabRawValue(tab) == raw) {
            return tab;
        }
    }
    return std::nullopt;
}

QString settingsTabTitle(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general:
        return QStringLiteral("General");
    case SettingsTab::backup:
        return QStringLiteral("Backup");
    case SettingsTab::encryption:
        return QStringLiteral("Encryption");
    case SettingsTab::appearance:
        return QStringLiteral("Appearance");
    case SettingsTab::account:
        return QStringLiteral("Account");
    }
    return {};
}

} // namespace keldra
