#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace keldra {

// Which screen the window shows; the root view, the sign-in screens, the popover and the menus switch on it.
enum class AppPhase { launching, signedOut, twoFactor, setup, unlock, ready };

// The page selected in the main window.
enum class AppSection { overview, backups, restore, activity, settings };

// The look of the tray popover: like the window, or always one style.
enum class PopoverStyle { match, glass, signal };

inline constexpr std::array<AppSection, 5> allSections{AppSection::overview, AppSection::backups,
                                                       AppSection::restore, AppSection::activity,
                                                       AppSection::settings};
inline constexpr std::array<PopoverStyle, 3> allPopoverStyles{PopoverStyle::match, PopoverStyle::glass,
                                                              PopoverStyle::signal};

constexpr std::string_view rawValue(AppSection section) {
    switch (section) {
    case AppSection::overview:
        return "overview";
    case AppSection::backups:
        return "backups";
    case AppSection::restore:
        return "restore";
    case AppSection::activity:
        return "activity";
    case AppSection::settings:
        return "settings";
    }
    return "overview";
}

constexpr std::string_view rawValue(PopoverStyle style) {
    switch (style) {
    case PopoverStyle::match:
        return "match";
    case PopoverStyle::glass:
        return "glass";
    case PopoverStyle::signal:
        return "signal";
    }
    return "match";
}

// The case whose stored text is exactly `raw`; anything else is no value.
template <class Enum, std::size_t N>
constexpr std::optional<Enum> caseFromRaw(const std::array<Enum, N>& cases, std::string_view raw) {
    for (auto value : cases) {
        if (rawValue(value) == raw) {
            return value;
        }
    }
    return std::nullopt;
}

constexpr std::optional<AppSection> sectionFromRaw(std::string_view raw) {
    return caseFromRaw(allSections, raw);
}
constexpr std::optional<PopoverStyle> popoverStyleFromRaw(std::string_view raw) {
    return caseFromRaw(allPopoverStyles, raw);
}

} // namespace keldra
