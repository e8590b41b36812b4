#include "design/layout/SectionLabel.h"

#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

namespace keldra {

SectionLabel::SectionLabel(const QString& text, QWidget* parent)
    : OLText(text, styleFor(olTheme(parent)), OLColor::textMuted, parent) {}

OLTextStyle SectionLabel::styleFor(const OLTheme& theme) {
    if (!isGlass(theme))
        return OLTextStyle::eyebrow;
    return {11, OLFontWeight::semibold, 1.3, 0.04, false, true, OLRelativeTextStyle::caption2};
}

bool SectionLabel::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType())
        setStyle(styleFor(olTheme(this)));
    return OLText::event(event);
}

} // namespace keldra
