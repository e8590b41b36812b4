#include "design/button/OLButtonStyle.h"

#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

namespace keldra {
namespace {
constexpr OLRgba clear{0, 0, 0, 0};
}

OLButtonColors buttonColors(const OLButtonStyle& style, bool hovered, bool pressed, bool enabled) {
    switch (style.kind) {
    case OLButtonKind::primary: {
        OLRgba fill = OLColor::buttonPrimary;
        if (pressed)
            fill = OLColor::buttonPrimaryPressed;
        else if (hovered && enabled)
            fill = OLColor::buttonPrimaryHover;
        return {OLColor::textOnFill, fill, clear};
    }
    case OLButtonKind::secondary: {
        OLRgba fill = clear;
        if (pressed)
            fill = OLColor::surfaceRaised;
        else if (hovered)
            fill = OLColor::surface.opacity(0.6);
        return {OLColor::textPrimary, fill, OLColor::borderStrong};
    }
    case OLButtonKind::destructive:
        return {OLColor::textOnFill,
                pressed ? OLColor::buttonDestructive.opacity(0.85) : OLColor::buttonDestructive, clear};
    case OLButtonKind::text:
        return {accentColor(style.theme), clear, clear};
    }
    return {OLColor::textPrimary, clear, clear};
}

} // namespace keldra
