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
    // Also once placed: the scope's theme may differ from the one at construction.
    if (event->type() == OLThemeChangeEvent::eventType() || event->type() == QEvent::ParentChange ||
        event->type() == QEvent::Polish || event->type() == QEvent::Show)
        setStyle(styleFor(olTheme(this)));
    return OLText::event(event);
}

} // namespace keldra
