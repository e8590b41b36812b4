#include "design/layout/IconTile.h"

#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QPainter>
#include <cmath>

namespace keldra {

IconTile::IconTile(QString icon, std::optional<OLRgba> tint, double size, QWidget* parent)
    : OLWidget(parent), icon_(std::move(icon)), tint_(tint), size_(size) {
    const int side = static_cast<int>(std::ceil(size_));
    setFixedSize(side, side);
}

void IconTile::setIcon(const QString& icon) {
    icon_ = icon;
    update();
}

void IconTile::setTint(std::optional<OLRgba> tint) {
    tint_ = tint;
    update();
}

OLRgba IconTile::iconColor() const {
    return tint_.value_or(accentColor(olTheme(this)));
}

QSize IconTile::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0, 0, size_, size_);
    fillContinuousRect(p, tile, radiusSmall(olTheme(this)), OLColor::surfaceRaised.qcolor());
    const double icon = iconSize();
    olDrawIcon(p, QRectF(tile.center().x() - icon / 2, tile.center().y() - icon / 2, icon, icon), icon_,
               iconColor().qcolor());
}

} // namespace keldra
