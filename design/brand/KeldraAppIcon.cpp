#include "design/brand/KeldraAppIcon.h"

#include "design/orb/KeldraGlyph.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <algorithm>

namespace keldra {

void paintAppIcon(QPainter& p, const QRectF& box) {
    const double size = std::min(box.width(), box.height());
    // Small icons fill more of their square: a margin of a pixel or two would only blur the edge.
    const double margin = size <= 32 ? 0 : size * 0.0625;
    const QRectF tile = box.adjusted(margin, margin, -margin, -margin);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient light(tile.topLeft(), tile.bottomLeft());
    light.setColorAt(0, OLColor::gradientTop.qcolor());
    light.setColorAt(1, OLColor::background.qcolor());
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPath(continuousRect(tile, tile.width() * 0.225));
    p.restore();

    // The glyph is 74 units wide; it takes two thirds of the tile, its lines never under 1/14 of it.
    const double scale = tile.width() * 0.68 / glyphDesignWidth;
    paintKeldraGlyph(p, tile.center(), accentColor(defaultTheme).qcolor(), scale, tile.width() / 14.0);
}

QImage drawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintAppIcon(painter, QRectF(0, 0, size, size));
    painter.end();
    return image;
}

QByteArray appIconSvg() {
    constexpr int size = 512;
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(size, size));
    svg.setViewBox(QRect(0, 0, size, size));
    svg.setTitle(QStringLiteral("Orlivane Keldra Backup"));
    QPainter painter(&svg);
    paintAppIcon(painter, QRectF(0, 0, size, size));
    painter.end();
    return buffer.data();
}

QIcon keldraAppIcon() {
    QIcon drawn;
    for (const int size : appIconSizes)
        drawn.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    return QIcon::fromTheme(QString::fromLatin1(appIconName), drawn);
}

} // namespace keldra
