#pragma once
// What a view derives from its theme: the accent colour, radii, selection fill, panel background, meta text
// style and the phase animation. Pure functions of the value, Qt-free.

#include "app/model/ThemeValues.h"
#include "design/motion/OLAnimationTiming.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLTextStyle.h"

namespace keldra {

inline constexpr OLTheme defaultTheme{};

constexpr OLRgba accentColor(OLAccent accent) {
    switch (accent) {
    case OLAccent::frost:
        return {0x88, 0xC0, 0xD0, 1};
    case OLAccent::teal:
        return {0x8F, 0xBC, 0xBB, 1};
    case OLAccent::snow:
        return {0xEC, 0xEF, 0xF4, 1};
    }
    return {0x88, 0xC0, 0xD0, 1};
}

constexpr OLRgba accentColor(const OLTheme& theme) {
    return accentColor(theme.accent);
}

constexpr bool isGlass(const OLTheme& theme) {
    return theme.style == OLStyle::glass;
}

// Cards and large panels.
constexpr double radiusLarge(const OLTheme& theme) {
    return isGlass(theme) ? 24 : 14;
}
// Controls and medium panels.
constexpr double radius(const OLTheme& theme) {
    return isGlass(theme) ? 16 : 10;
}
// Icon buttons, icon tiles, fields, pickers.
constexpr double radiusSmall(const OLTheme& theme) {
    return isGlass(theme) ? 10 : 6;
}

// Fill of the selected row in lists.
constexpr OLRgba selectionFill(const OLTheme& theme) {
    return accentColor(theme).opacity(isGlass(theme) ? 0.08 : 0.10);
}

// Background of the popover and fill of the stat tile.
constexpr OLRgba panelBackground(const OLTheme& theme) {
    return isGlass(theme) ? OLColor::surface : OLColor::background;
}

// Small meta and label text.
constexpr OLTextStyle metaTextStyle(const OLTheme& theme) {
    return isGlass(theme) ? OLTextStyle::caption : OLTextStyle::eyebrow;
}

// Changes of the root phase, setup steps, the overview's state and a segmented control's selection.
inline OLAnimationTiming phaseAnimation(const OLTheme& theme) {
    return isGlass(theme) ? OLAnimationTiming::spring(0.45, 0.8) : OLAnimationTiming::easeOut(0.25);
}

} // namespace keldra
