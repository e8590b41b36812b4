#pragma once
// The five tabs of the settings page, in strip order. The chosen tab lives only in the page: it is never
// stored, and the page starts on Backup each time it is built.

#include <QString>
#include <array>
#include <optional>
#include <string_view>

namespace keldra {

enum class SettingsTab { general, backup, encryption, appearance, account };

inline constexpr std::array<SettingsTab, 5> allSettingsTabs{SettingsTab::general, SettingsTab::backup,
                                                            SettingsTab::encryption, SettingsTab::appearance,
                                                            SettingsTab::account};

std::string_view settingsTabRawValue(SettingsTab tab);
// None for an unknown text.
std::optional<SettingsTab> settingsTabFromRawValue(std::string_view raw);
// The title in the tab strip.
QString settingsTabTitle(SettingsTab tab);

} // namespace keldra
