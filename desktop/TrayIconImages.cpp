#include "desktop/TrayIconImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <array>
#include <cmath>

namespace keldra {

namespace {

// Shapes are laid out on a 16-unit grid (the smallest tray size) and drawn in pixels, with line widths in
// whole pixels and upright lines centred so their edges fall on pixel edges: crisp at 16 and 22 px.
class Grid {
public:
    explicit Grid(int size)
        : unit_(size / 16.0), line_(std::max(2, static_cast<int>(std::lround(size / 11.0)))) {}

    int line() const { return line_; }
    qreal y(qreal units) const { return units * unit_; }
    // An x where an upright line of `width` pixels is centred.
    qreal x(qreal units, int width) const {
        const qreal pixels = units * unit_;
        return width % 2 == 0 ? std::round(pixels) : std::floor(pixels) + 0.5;
    }
    QPointF point(qreal xUnits, qreal yUnits, int width) const { return {x(xUnits, width), y(yUnits)}; }
    // A width in pixels, whole, never under two.
    int width(qreal units) const { return std::max(2, static_cast<int>(std::lround(units * unit_))); }

private:
    qreal unit_;
    int line_;
};

QPainterPath shieldPath(const Grid& grid) {
    const int w = grid.line();
    QPainterPath shield;
    shield.moveTo(grid.point(8.0, 1.25, w));
    shield.lineTo(grid.point(14.0, 3.25, w));
    shield.lineTo(grid.point(14.0, 7.5, w));
    shield.cubicTo(grid.point(14.0, 11.0, w), grid.point(11.5, 13.4, w), grid.point(8.0, 14.75, w));
    shield.cubicTo(grid.point(4.5, 13.4, w), grid.point(2.0, 11.0, w), grid.point(2.0, 7.5, w));
    shield.lineTo(grid.point(2.0, 3.25, w));
    shield.closeSubpath();
    return shield;
}

QPen strokePen(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawOutline(QPainter& painter, const Grid& grid, const QColor& color) {
    painter.setPen(strokePen(color, grid.line()));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shieldPath(grid));
}

void drawSolid(QPainter& painter, const Grid& grid, const QColor& color) {
    // Stroked as well as filled, so its edge matches the outlined shields.
    painter.setPen(strokePen(color, grid.line()));
    painter.setBrush(color);
    painter.drawPath(shieldPath(grid));
}

// An upward arrow, its tip at `top` units; the two running frames place it apart, so it seems to climb. A
// filled head reads as an arrow even in the few pixels inside a 16 px shield.
void drawArrow(QPainter& painter, const Grid& grid, const QColor& color, qreal top) {
    const int w = grid.line();
    painter.setPen(QPen(color, w, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(grid.point(8.0, top + 2.0, w), grid.point(8.0, top + 6.0, w));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const qreal middle = grid.x(8.0, w);
    const qreal half = grid.y(3.0);
    const QPointF head[] = {QPointF(middle, grid.y(top)), QPointF(middle + half, grid.y(top + 3.0)),
                            QPointF(middle - half, grid.y(top + 3.0))};
    painter.drawPolygon(head, 3);
}

} // namespace

TrayImage trayImageFor(BackupHealth::Kind kind, bool secondFrame) {
    switch (kind) {
    case BackupHealth::Kind::protected_:
        return TrayImage::protected_;
    case BackupHealth::Kind::backingUp:
        return secondFrame ? TrayImage::runningB : TrayImage::runningA;
    case BackupHealth::Kind::paused:
    case BackupHealth::Kind::locked:
        return TrayImage::idle;
    case BackupHealth::Kind::attention:
    case BackupHealth::Kind::atRisk:
    case BackupHealth::Kind::storageFull:
    case BackupHealth::Kind::blocked:
        break;
    }
    return TrayImage::attention;
}

QString trayImageName(TrayImage image) {
    switch (image) {
    case TrayImage::protected_:
        return QStringLiteral("tray-keldra-protected");
    case TrayImage::runningA:
        return QStringLiteral("tray-keldra-running-a");
    case TrayImage::runningB:
        return QStringLiteral("tray-keldra-running-b");
    case TrayImage::idle:
        return QStringLiteral("tray-keldra-idle");
    case TrayImage::attention:
        break;
    }
    return QStringLiteral("tray-keldra-attention");
}

QImage drawTrayImage(TrayImage image, int size, const QColor& color) {
    size = std::clamp(size, 16, 64);
    QImage canvas(size, size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    const Grid grid(size);
    // The same colour, fully opaque: the tray's template look comes from the alpha channel alone.
    QColor ink = color;
    ink.setAlpha(255);
    switch (image) {
    case TrayImage::protected_: {
        drawSolid(painter, grid, ink);
        // The check is cut out of the shield, so it shows the panel behind it.
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(strokePen(Qt::black, grid.width(1.8)));
        const QPointF check[] = {QPointF(grid.y(4.9), grid.y(8.0)), QPointF(grid.y(7.2), grid.y(10.3)),
                                 QPointF(grid.y(11.1), grid.y(6.1))};
        painter.drawPolyline(check, 3);
        break;
    }
    case TrayImage::runningA:
        drawOutline(painter, grid, ink);
        drawArrow(painter, grid, ink, 5.5);
        break;
    case TrayImage::runningB:
        drawOutline(painter, grid, ink);
        drawArrow(painter, grid, ink, 3.75);
        break;
    case TrayImage::idle:
        drawOutline(painter, grid, ink);
        break;
    case TrayImage::attention: {
        drawSolid(painter, grid, ink);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        const int bar = grid.width(1.9);
        painter.setPen(strokePen(Qt::black, bar));
        painter.drawLine(grid.point(8.0, 4.7, bar), grid.point(8.0, 8.4, bar));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(grid.point(8.0, 11.2, bar), bar / 2.0 + 0.15, bar / 2.0 + 0.15);
        break;
    }
    }
    painter.end();
    return canvas;
}

QIcon trayIcon(TrayImage image, const QColor& color) {
    QIcon icon;
    for (const int size : std::array{16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(drawTrayImage(image, size, color)));
    }
    return icon;
}

} // namespace keldra
