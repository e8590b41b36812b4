#pragma once
// The appearance choices every window reads and the app model persists: style, accent, the theme value
// built from them, and the semantic tone of chips, banners and tiles. Qt-free so that the model and the
// design system share one definition.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

enum class OLStyle { glass, signal };
enum class OLAccent { frost, teal, snow };
enum class StatusTone { secure, warning, danger, info };

inline constexpr std::array<OLStyle, 2> allStyles{OLStyle::glass, OLStyle::signal};
inline constexpr std::array<OLAccent, 3> allAccents{OLAccent::frost, OLAccent::teal, OLAccent::snow};

constexpr std::string_view rawValue(OLStyle style) {
    return style == OLStyle::glass ? "glass" : "signal";
}

constexpr std::string_view rawValue(OLAccent accent) {
    switch (accent) {
    case OLAccent::frost:
        return "frost";
    case OLAccent::teal:
        return "teal";
    case OLAccent::snow:
        return "snow";
    }
    return "frost";
}

constexpr std::string_view displayName(OLAccent accent) {
    switch (accent) {
    case OLAccent::frost:
        return "Frost";
    case OLAccent::teal:
        return "Teal";
    case OLAccent::snow:
        return "Snow";
    }
    return "Frost";
}

// Exact, case-sensitive: anything else is no style, and whoever restores a stored choice keeps its default.
constexpr std::optional<OLStyle> styleFromRaw(std::string_view raw) {
    for (auto style : allStyles) {
        if (rawValue(style) == raw)
            return style;
    }
    return std::nullopt;
}

constexpr std::optional<OLAccent> accentFromRaw(std::string_view raw) {
    for (auto accent : allAccents) {
        if (rawValue(accent) == raw)
            return accent;
    }
    return std::nullopt;
}

struct OLTheme {
    OLStyle style = OLStyle::glass;
    OLAccent accent = OLAccent::frost;
    double radiusPill = 999;

    friend constexpr bool operator==(const OLTheme&, const OLTheme&) = default;
};

} // namespace keldra
