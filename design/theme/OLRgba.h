#pragma once
// One colour token: sRGB bytes and the colour's own opacity. Qt-free, so tokens stay plain constants.

#include <cstdint>

class QColor;

namespace keldra {

struct OLRgba {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    double alpha = 1;

    // The same colour at another opacity (a token "at 0.6").
    constexpr OLRgba opacity(double value) const { return OLRgba{red, green, blue, value}; }
    // Opacity multiplied, as when a translucent token is drawn at a further opacity.
    constexpr OLRgba times(double factor) const { return OLRgba{red, green, blue, alpha * factor}; }

    QColor qcolor() const;

    friend constexpr bool operator==(const OLRgba&, const OLRgba&) = default;
};

// The colour `t` of the way from `from` to `to` (0 gives `from`, 1 gives `to`), channels and opacity alike.
constexpr OLRgba mixed(const OLRgba& from, const OLRgba& to, double t) {
    auto channel = [t](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(a + (b - a) * t + 0.5);
    };
    return OLRgba{channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue),
                  from.alpha + (to.alpha - from.alpha) * t};
}

} // namespace keldra
