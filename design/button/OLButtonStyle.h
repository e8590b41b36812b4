#pragma once
// The four looks of a push button and the colours each shows when idle, hovered, pressed or disabled.
// Qt-free: OLButton draws with it, and so can any control that wants a button's look.

#include "app/model/ThemeValues.h"
#include "design/theme/OLRgba.h"
#include "design/theme/OLSpace.h"

namespace keldra {

enum class OLButtonKind {
    primary,     // filled: the main action of a view
    secondary,   // outlined
    destructive, // filled, red
    text,        // a bare accent-coloured word
};

struct OLButtonStyle {
    OLButtonKind kind = OLButtonKind::primary;
    OLTheme theme;
    bool fullWidth = false;
    double height = OLSize::controlHeight;
};

struct OLButtonColors {
    OLRgba foreground; // text and icon
    OLRgba fill;
    OLRgba outline;
};

// Pressed wins over hovered. A disabled button is also drawn at opacity disabledOpacity by the caller.
OLButtonColors buttonColors(const OLButtonStyle& style, bool hovered, bool pressed, bool enabled);

inline constexpr double disabledOpacity = 0.45;
inline constexpr double buttonPadding = 16;
inline constexpr double buttonIconSize = 15;
inline constexpr double buttonContentSpacing = 8;

} // namespace keldra
