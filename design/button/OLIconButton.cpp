#include "design/button/OLIconButton.h"

#include "design/button/OLButtonStyle.h"
#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QKeyEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

OLIconButton::OLIconButton(const QString& icon, const QString& label, double size, QWidget* parent)
    : OLAbstractButton(parent), icon_(icon), size_(size) {
    setLabel(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

void OLIconButton::setIconName(const QString& icon) {
    icon_ = icon;
    update();
}

void OLIconButton::setLabel(const QString& label) {
    setToolTip(label);
    setAccessibleName(label);
}

void OLIconButton::setSide(double size) {
    size_ = size;
    setFixedSize(sizeHint());
    update();
}

QSize OLIconButton::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void OLIconButton::paintEvent(QPaintEvent*) {
    const OLTheme theme = olTheme(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QRectF bounds(rect());
    const double corner = radiusSmall(theme);
    fillContinuousRect(painter, bounds, corner,
                       (isHovered() ? OLColor::surfaceRaised : OLColor::surface).qcolor());
    strokeInside(painter, bounds, corner, OLColor::hairline.qcolor());
    const QPointF centre = bounds.center();
    olDrawIcon(painter,
               QRectF(centre.x() - buttonIconSize / 2, centre.y() - buttonIconSize / 2, buttonIconSize,
                      buttonIconSize),
               icon_, OLColor::textSecondary.qcolor());
    if (showsFocusRing()) {
        painter.setOpacity(1);
        drawFocusRing(painter, bounds, corner);
    }
}

} // namespace keldra
