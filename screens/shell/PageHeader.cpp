#include "screens/shell/PageHeader.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QAccessible>
#include <QHBoxLayout>

namespace keldra {

namespace {

// Inter 26 bold, tracking -0.5 points.
constexpr OLTextStyle glassTitle{26,    OLFontWeight::bold,         1.2, -0.5 / 26, false,
                                 false, OLRelativeTextStyle::title2};

} // namespace

PageHeader::PageHeader(const QString& title, QWidget* trailing, QWidget* parent)
    : OLWidget(parent), title_(new OLText(title, glassTitle, OLColor::textPrimary, this)),
      trailing_(trailing) {
    title_->setMaxLines(1);
    // The title is the page's heading for assistive technologies.
    title_->setHeading(true);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(16);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    if (trailing_) {
        layout->addWidget(trailing_, 0, Qt::AlignVCenter);
    }
    PageHeader::applyTheme(theme());
}

void PageHeader::applyTheme(const OLTheme& theme) {
    const bool glass = isGlass(theme);
    title_->setStyle(glass ? glassTitle : OLTextStyle::eyebrow);
    title_->setColor(glass ? OLColor::textPrimary : OLColor::textMuted);
    layout()->setContentsMargins(32, glass ? 40 : 24, 32, glass ? 24 : 16);
}

} // namespace keldra
