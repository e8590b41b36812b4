#include "design/controls/OLProgressBar.h"

#include "design/controls/ProgressFraction.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"

#include <QPainter>
#include <cmath>

namespace keldra {

OLProgressBar::OLProgressBar(double fraction, const OLRgba& tint, double height, QString label,
                             QWidget* parent)
    : OLWidget(parent), fraction_(fraction), tint_(tint), height_(height), label_(std::move(label)) {
    setFixedHeight(static_cast<int>(std::ceil(height_)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OLProgressBar::setFraction(double fraction) {
    // Compare the bits' meaning, not the values: NaN never equals itself.
    if (fraction == fraction_ || (std::isnan(fraction) && std::isnan(fraction_)))
        return;
    fraction_ = fraction;
    update();
    olAccessibleUpdate(this);
}

void OLProgressBar::setTint(const OLRgba& tint) {
    tint_ = tint;
    update();
}

double OLProgressBar::fillWidth() const {
    return std::min<double>(width(), progressFillWidth(fraction_, width(), height_));
}

QSize OLProgressBar::sizeHint() const {
    return {200, static_cast<int>(std::ceil(height_))};
}

QSize OLProgressBar::minimumSizeHint() const {
    return {static_cast<int>(std::ceil(height_)), static_cast<int>(std::ceil(height_))};
}

OLAccessibleDescription OLProgressBar::accessibleDescription() const {
    return {QAccessible::ProgressBar, label_, QString::fromStdString(progressAccessibleValue(fraction_))};
}

void OLProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, 0, width(), height_);
    fillContinuousRect(p, track, height_ / 2, OLColor::textSecondary.opacity(0.1).qcolor());
    const QRectF fill(0, 0, fillWidth(), height_);
    fillContinuousRect(p, fill, height_ / 2, tint_.qcolor());
}

} // namespace keldra
