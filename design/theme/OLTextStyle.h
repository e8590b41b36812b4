#pragma once
// The fifteen text styles on the two packaged typefaces, plus the few literal fonts that single controls
// use in place. Qt-free values; design/text/OLFont.h turns one into a QFont.

#include <algorithm>
#include <array>
#include <string_view>

namespace keldra {

enum class OLFontWeight { regular, medium, semibold, bold, heavy };

// The text style a size scales with when the user enlarges text. Kept as data only: the desktop offers no
// per-style scaling, so sizes are used as given.
enum class OLRelativeTextStyle { largeTitle, title2, title3, headline, body, callout, caption, caption2 };

inline constexpr std::string_view interFamily = "Inter";
inline constexpr std::string_view monoFamily = "JetBrains Mono";

struct OLTextStyle {
    double size = 15;
    OLFontWeight weight = OLFontWeight::regular;
    double lineHeight = 1.2;
    double trackingEm = 0;
    bool isMono = false; // "JetBrains Mono"; named apart from the static style `mono`
    bool uppercase = false;
    OLRelativeTextStyle relativeTo = OLRelativeTextStyle::body;

    constexpr std::string_view family() const { return isMono ? monoFamily : interFamily; }
    // Letter spacing in pixels.
    constexpr double tracking() const { return size * trackingEm; }
    // Extra space between lines in pixels; styles at a line height of 1.2 or less get none.
    constexpr double lineSpacing() const { return std::max(0.0, size * (lineHeight - 1.2)); }

    constexpr OLTextStyle withWeight(OLFontWeight value) const {
        OLTextStyle copy = *this;
        copy.weight = value;
        return copy;
    }
    constexpr OLTextStyle withSize(double value) const {
        OLTextStyle copy = *this;
        copy.size = value;
        return copy;
    }

    friend constexpr bool operator==(const OLTextStyle&, const OLTextStyle&) = default;

    static const OLTextStyle hero;
    static const OLTextStyle heroCompact;
    static const OLTextStyle display;
    static const OLTextStyle displaySmall;
    static const OLTextStyle title;
    static const OLTextStyle headline;
    static const OLTextStyle body;
    static const OLTextStyle bodyStrong;
    static const OLTextStyle callout;
    static const OLTextStyle caption;
    static const OLTextStyle caption2;
    static const OLTextStyle micro;
    static const OLTextStyle monoTitle;
    static const OLTextStyle mono;
    static const OLTextStyle eyebrow;
};

inline constexpr OLTextStyle OLTextStyle::hero{
    88, OLFontWeight::heavy, 0.92, -0.05, false, false, OLRelativeTextStyle::largeTitle};
inline constexpr OLTextStyle OLTextStyle::heroCompact{
    76, OLFontWeight::heavy, 0.95, -0.05, false, false, OLRelativeTextStyle::largeTitle};
inline constexpr OLTextStyle OLTextStyle::display{
    40, OLFontWeight::heavy, 1.1, -0.03, false, false, OLRelativeTextStyle::largeTitle};
inline constexpr OLTextStyle OLTextStyle::displaySmall{
    32, OLFontWeight::heavy, 1.1, -0.03, false, false, OLRelativeTextStyle::largeTitle};
inline constexpr OLTextStyle OLTextStyle::title{22,    OLFontWeight::bold,         1.2, -0.02, false,
                                                false, OLRelativeTextStyle::title2};
inline constexpr OLTextStyle OLTextStyle::headline{17,    OLFontWeight::semibold,       1.3, -0.01, false,
                                                   false, OLRelativeTextStyle::headline};
inline constexpr OLTextStyle OLTextStyle::body{15,    OLFontWeight::regular,    1.45, 0, false,
                                               false, OLRelativeTextStyle::body};
inline constexpr OLTextStyle OLTextStyle::bodyStrong{15,    OLFontWeight::semibold,   1.35, 0, false,
                                                     false, OLRelativeTextStyle::body};
inline constexpr OLTextStyle OLTextStyle::callout{13,    OLFontWeight::regular,       1.4, 0, false,
                                                  false, OLRelativeTextStyle::callout};
inline constexpr OLTextStyle OLTextStyle::caption{12,    OLFontWeight::regular,       1.35, 0, false,
                                                  false, OLRelativeTextStyle::caption};
inline constexpr OLTextStyle OLTextStyle::caption2{11,    OLFontWeight::medium,         1.3, 0, false,
                                                   false, OLRelativeTextStyle::caption2};
inline constexpr OLTextStyle OLTextStyle::micro{10,    OLFontWeight::semibold,       1.2, 0, false,
                                                false, OLRelativeTextStyle::caption2};
inline constexpr OLTextStyle OLTextStyle::monoTitle{20,    OLFontWeight::medium,       1.2, 0, true,
                                                    false, OLRelativeTextStyle::title3};
inline constexpr OLTextStyle OLTextStyle::mono{12,    OLFontWeight::regular,       1.4, 0, true,
                                               false, OLRelativeTextStyle::caption};
inline constexpr OLTextStyle OLTextStyle::eyebrow{11,   OLFontWeight::regular,        1.3, 0.08, true,
                                                  true, OLRelativeTextStyle::caption2};

struct OLNamedTextStyle {
    std::string_view name;
    OLTextStyle style;
};

// The fifteen styles in declaration order (the gallery, the tests).
inline constexpr std::array<OLNamedTextStyle, 15> allTextStyles{{
    {"hero", OLTextStyle::hero},
    {"heroCompact", OLTextStyle::heroCompact},
    {"display", OLTextStyle::display},
    {"displaySmall", OLTextStyle::displaySmall},
    {"title", OLTextStyle::title},
    {"headline", OLTextStyle::headline},
    {"body", OLTextStyle::body},
    {"bodyStrong", OLTextStyle::bodyStrong},
    {"callout", OLTextStyle::callout},
    {"caption", OLTextStyle::caption},
    {"caption2", OLTextStyle::caption2},
    {"micro", OLTextStyle::micro},
    {"monoTitle", OLTextStyle::monoTitle},
    {"mono", OLTextStyle::mono},
    {"eyebrow", OLTextStyle::eyebrow},
}};

// Fonts that single controls spell in place rather than through a style.
namespace OLLiteralFont {
// Button and hold-button titles: Inter 13 semibold.
inline constexpr OLTextStyle buttonTitle{13,    OLFontWeight::semibold,      1.2, 0, false,
                                         false, OLRelativeTextStyle::callout};
// What fields and menu pickers show: Inter 13 regular.
inline constexpr OLTextStyle field{13,    OLFontWeight::regular,       1.2, 0, false,
                                   false, OLRelativeTextStyle::callout};
// The wordmark's text logo "ORLIVANE" (0.6 px tracking) and its product word "Keldra".
inline constexpr OLTextStyle wordmarkLogo{16,    OLFontWeight::heavy,      1.2, 0.6 / 16, false,
                                          false, OLRelativeTextStyle::body};
inline constexpr OLTextStyle wordmarkLogoCompact{14,    OLFontWeight::heavy,      1.2, 0.6 / 14, false,
                                                 false, OLRelativeTextStyle::body};
inline constexpr OLTextStyle wordmarkProduct{15,    OLFontWeight::semibold,   1.2, 0, false,
                                             false, OLRelativeTextStyle::body};
inline constexpr OLTextStyle wordmarkProductCompact{13,    OLFontWeight::semibold,   1.2, 0, false,
                                                    false, OLRelativeTextStyle::body};
} // namespace OLLiteralFont

} // namespace keldra
