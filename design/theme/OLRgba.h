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

} // namespace keldra
