#include "design/status/StatusChip.h"

#include "design/health/HealthPresentation.h"
#include "design/shape/ContinuousRect.h"
#include "design/status/ToneColors.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double dotSize = 6;
constexpr double dotGap = 6;
constexpr double sidePadding = 10;

OLTextStyle chipTextStyle(bool tinted, const OLTheme& theme) {
    return tinted && !isGlass(theme) ? OLTextStyle::eyebrow : OLTextStyle::caption2;
}

} // namespace

StatusChip::StatusChip(QString label, StatusTone tone, bool tinted, bool onHero, QWidget* parent)
    : OLWidget(parent), label_(std::move(label)), tone_(tone), tinted_(tinted), onHero_(onHero) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusChip::setLabel(const QString& label) {
    label_ = label;
    changed();
}

void StatusChip::setTone(StatusTone tone) {
    tone_ = tone;
    changed();
}

void StatusChip::setTinted(bool tinted) {
    tinted_ = tinted;
    changed();
}

void StatusChip::setOnHero(bool onHero) {
    onHero_ = onHero;
    changed();
}

void StatusChip::changed() {
    updateGeometry();
    update();
    olAccessibleUpdate(this);
}

QSize StatusChip::sizeHint() const {
    const auto style = chipTextStyle(tinted_, olTheme(this));
    const QFontMetricsF metrics(olFont(style));
    const double width =
        sidePadding + dotSize + dotGap + metrics.horizontalAdvance(olShownText(style, label_)) + sidePadding;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(OLSize::chipHeight)};
}

OLAccessibleDescription StatusChip::accessibleDescription() const {
    return {QAccessible::StaticText, label_, {}};
}

void StatusChip::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    const auto style = chipTextStyle(tinted_, theme);
    OLRgba text = OLColor::textSecondary;
    OLRgba fill = OLColor::textSecondary.opacity(0.06);
    OLRgba outline = OLColor::border;
    if (tinted_) {
        text = toneTextColor(tone_);
        fill = toneTintFill(tone_);
        outline = toneColor(tone_).opacity(0.3);
    } else if (onHero_) {
        fill = OLColor::background.opacity(0.5);
    }

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(0, 0, width(), OLSize::chipHeight);
    const double pill = bounds.height() / 2;
    fillContinuousRect(p, bounds, pill, fill.qcolor());
    strokeInside(p, bounds, pill, outline.qcolor(), 1);

    const QRectF dot(sidePadding, (bounds.height() - dotSize) / 2, dotSize, dotSize);
    p.setPen(Qt::NoPen);
    p.setBrush(toneColor(tone_).qcolor());
    p.drawEllipse(dot);

    p.setFont(olFont(style));
    p.setPen(text.qcolor());
    const QRectF textBox(dot.right() + dotGap, 0, bounds.width() - dot.right() - dotGap - sidePadding + 1,
                         bounds.height());
    p.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, olShownText(style, label_));
}

double StatusChip::firstBaseline() const {
    const QFontMetricsF metrics(olFont(chipTextStyle(tinted_, olTheme(this))));
    return centredBaseline(OLSize::chipHeight, metrics.ascent(), metrics.descent());
}

} // namespace keldra
