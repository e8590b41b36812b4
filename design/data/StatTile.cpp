#include "design/data/StatTile.h"

#include "design/shape/ContinuousRect.h"
#include "design/status/ToneColors.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <cmath>

namespace keldra {

namespace {

constexpr OLTextStyle figureStyle{22, OLFontWeight::medium, 1.2, 0, true, false, OLRelativeTextStyle::title3};
constexpr OLTextStyle phraseStyle{17,    OLFontWeight::semibold,       1.2, 0, false,
                                  false, OLRelativeTextStyle::headline};
constexpr OLTextStyle unitStyle{11,    OLFontWeight::regular,        1.2, 0, true,
                                false, OLRelativeTextStyle::caption2};
constexpr double tileRadius = 16;

} // namespace

StatTile::StatTile(const QString& label, const QString& value, std::optional<QString> unit,
                   std::optional<StatusTone> tone, bool primary, QWidget* footer, QWidget* parent)
    : OLWidget(parent), tone_(tone), primary_(primary),
      label_(new OLText(label, OLTextStyle::caption, OLColor::textMuted, this)),
      value_(new OLText(value, tone ? phraseStyle : figureStyle, OLColor::textPrimary, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addWidget(label_);
    if (tone_) {
        value_->setColor(toneTextColor(*tone_));
        layout->addWidget(value_);
    } else {
        value_->setMaxLines(1);
        value_->setMinimumScale(0.7);
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(value_, 0, Qt::AlignTop);
        if (unit) {
            unit_ = new OLText(*unit, unitStyle, OLColor::textMuted, this);
            unit_->setMaxLines(1);
            auto* unitColumn = new QVBoxLayout;
            unitColumn->setSpacing(0);
            unitOffset_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
            unitColumn->addSpacerItem(unitOffset_);
            unitColumn->addWidget(unit_);
            unitColumn->addStretch(1);
            row->addLayout(unitColumn);
        }
        row->addStretch(1);
        layout->addLayout(row);
    }
    if (footer)
        layout->addWidget(footer);
    layout->addStretch(1);
    setMinimumHeight(92);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    StatTile::applyTheme(theme());
}

void StatTile::setValue(const QString& value) {
    value_->setText(value);
    alignUnit();
    olAccessibleUpdate(this);
}

OLAccessibleDescription StatTile::accessibleDescription() const {
    QString value = value_->text();
    if (unit_)
        value += QLatin1Char(' ') + unit_->text();
    return {QAccessible::StaticText, label_->text(), value};
}

void StatTile::applyTheme(const OLTheme& current) {
    const bool glass = isGlass(current);
    label_->setStyle(glass ? OLTextStyle::caption : OLTextStyle::eyebrow);
    if (!tone_)
        value_->setColor(!glass && primary_ ? accentColor(current) : OLColor::textPrimary);
    if (glass)
        layout()->setContentsMargins(18, 14, 18, 14);
    else
        layout()->setContentsMargins(0, 12, 0, 12);
    alignUnit();
}

// The unit sits on the figure's first baseline.
void StatTile::alignUnit() {
    if (!unit_)
        return;
    const int offset = static_cast<int>(std::round(value_->baseline() - unit_->baseline()));
    if (unitOffset_->sizeHint().height() == std::max(0, offset))
        return;
    unitOffset_->changeSize(0, std::max(0, offset), QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout()->invalidate();
}

void StatTile::resizeEvent(QResizeEvent* event) {
    OLWidget::resizeEvent(event);
    alignUnit();
}

void StatTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isGlass(theme())) {
        p.fillRect(QRectF(0, 0, width(), 1), OLColor::border.qcolor());
        return;
    }
    const QRectF frame = rect();
    fillContinuousRect(p, frame, tileRadius, OLColor::surface.qcolor());
    const OLRgba outline = tone_ == StatusTone::secure ? OLColor::toneSecure.opacity(0.3) : OLColor::hairline;
    strokeInside(p, frame, tileRadius, outline.qcolor(), 1);
}

} // namespace keldra
