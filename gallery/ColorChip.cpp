#include "gallery/ColorChip.h"

#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"

#include <QPainter>

namespace keldra::gallery {

ColorChip::ColorChip(const OLRgba& color, QSize size, double radius, bool outlined, QWidget* parent)
    : QWidget(parent), color_(color), radius_(radius), outlined_(outlined) {
    setFixedSize(size);
}

void ColorChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds(rect());
    fillContinuousRect(painter, bounds, radius_, color_.qcolor());
    if (outlined_)
        strokeInside(painter, bounds, radius_, OLColor::border.qcolor());
}

} // namespace keldra::gallery
