#pragma once
// The dark palette every view draws with. Views name a token by its role, never a literal colour.

#include "design/theme/OLRgba.h"

#include <array>
#include <string_view>

namespace keldra::OLColor {

inline constexpr OLRgba background{0x2E, 0x34, 0x40, 1};
inline constexpr OLRgba chrome{0x2A, 0x2F, 0x3A, 1};
inline constexpr OLRgba surface{0x3B, 0x42, 0x52, 1};
inline constexpr OLRgba surfaceRaised{0x43, 0x4C, 0x5E, 1};
inline constexpr OLRgba surfaceTranslucent{0x3B, 0x42, 0x52, 0.92};
inline constexpr OLRgba scrim{0x14, 0x18, 0x20, 0.6};
inline constexpr OLRgba surfaceHero{0x32, 0x3A, 0x47, 1};
inline constexpr OLRgba gradientTop{0x43, 0x55, 0x6D, 1};
inline constexpr OLRgba hairline{0xD8, 0xDE, 0xE9, 0.08};
inline constexpr OLRgba border{0xD8, 0xDE, 0xE9, 0.14};
inline constexpr OLRgba borderStrong{0xD8, 0xDE, 0xE9, 0.22};
inline constexpr OLRgba focusRing{0x88, 0xC0, 0xD0, 1};
inline constexpr OLRgba textPrimary{0xEC, 0xEF, 0xF4, 1};
inline constexpr OLRgba textSecondary{0xD8, 0xDE, 0xE9, 1};
inline constexpr OLRgba textMuted{0xB8, 0xC0, 0xCE, 1};
inline constexpr OLRgba textFaint{0x87, 0x92, 0xA5, 1};
inline constexpr OLRgba textOnFill{0xFF, 0xFF, 0xFF, 1};
inline constexpr OLRgba inkOnLight{0x2E, 0x34, 0x40, 1};
inline constexpr OLRgba textError{0xE5, 0xA0, 0xA6, 1};
inline constexpr OLRgba buttonPrimary{0x55, 0x77, 0xA0, 1};
inline constexpr OLRgba buttonPrimaryPressed{0x4C, 0x6C, 0x94, 1};
inline constexpr OLRgba buttonPrimaryHover{0x4F, 0x70, 0x99, 1};
inline constexpr OLRgba buttonDestructive{0xA5, 0x52, 0x5A, 1};
inline constexpr OLRgba toneSecure{0xA3, 0xBE, 0x8C, 1};
inline constexpr OLRgba toneWarning{0xEB, 0xCB, 0x8B, 1};
inline constexpr OLRgba toneDanger{0xBF, 0x61, 0x6A, 1};
inline constexpr OLRgba toneInfo{0x88, 0xC0, 0xD0, 1};
inline constexpr OLRgba toneSecureFill{0xA3, 0xBE, 0x8C, 0.12};
inline constexpr OLRgba toneWarningFill{0xEB, 0xCB, 0x8B, 0.12};
inline constexpr OLRgba toneDangerFill{0xBF, 0x61, 0x6A, 0.15};
inline constexpr OLRgba violet{0xB4, 0x8E, 0xAD, 1};
inline constexpr OLRgba success{0xA3, 0xBE, 0x8C, 1};
inline constexpr OLRgba switchTrackOff{0x4C, 0x56, 0x6A, 1};
inline constexpr OLRgba chartGrid{0xD8, 0xDE, 0xE9, 0.1};

struct Token {
    std::string_view name;
    OLRgba color;
};

// Every token in declaration order (the gallery's palette, the tests).
inline constexpr std::array<Token, 34> all{{
    {"background", background},
    {"chrome", chrome},
    {"surface", surface},
    {"surfaceRaised", surfaceRaised},
    {"surfaceTranslucent", surfaceTranslucent},
    {"scrim", scrim},
    {"surfaceHero", surfaceHero},
    {"gradientTop", gradientTop},
    {"hairline", hairline},
    {"border", border},
    {"borderStrong", borderStrong},
    {"focusRing", focusRing},
    {"textPrimary", textPrimary},
    {"textSecondary", textSecondary},
    {"textMuted", textMuted},
    {"textFaint", textFaint},
    {"textOnFill", textOnFill},
    {"inkOnLight", inkOnLight},
    {"textError", textError},
    {"buttonPrimary", buttonPrimary},
    {"buttonPrimaryPressed", buttonPrimaryPressed},
    {"buttonPrimaryHover", buttonPrimaryHover},
    {"buttonDestructive", buttonDestructive},
    {"toneSecure", toneSecure},
    {"toneWarning", toneWarning},
    {"toneDanger", toneDanger},
    {"toneInfo", toneInfo},
    {"toneSecureFill", toneSecureFill},
    {"toneWarningFill", toneWarningFill},
    {"toneDangerFill", toneDangerFill},
    {"violet", violet},
    {"success", success},
    {"switchTrackOff", switchTrackOff},
    {"chartGrid", chartGrid},
}};

} // namespace keldra::OLColor
