#include "design/shape/ContinuousRect.h"

#include <QColor>
#include <QPainter>
#include <algorithm>

namespace keldra {
namespace {

// How far along each edge a continuous corner reaches, as a multiple of its radius.
constexpr double reach = 1.52866483;

// One corner, from the end of one edge to the start of the next. Points are given for the top-right corner
// in units of the radius, measured inwards from the corner; `map` turns them into the corner at hand.
template <typename Map> void addCorner(QPainterPath& path, Map map) {
    path.cubicTo(map(1.08849323, 0), map(0.86840689, 0), map(0.63149399, 0.07491139));
    path.cubicTo(map(0.37282392, 0.16905966), map(0.16905966, 0.37282392), map(0.07491139, 0.63149399));
    path.cubicTo(map(0, 0.86840689), map(0, 1.08849323), map(0, reach));
}

} // namespace

double clampedRadius(const QRectF& rect, double radius) {
    return std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
}

QPainterPath continuousRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const double r = clampedRadius(rect, radius);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    const double shortHalf = std::min(rect.width(), rect.height()) / 2;
    if (r * reach > shortHalf) {
        // No room for the smooth transition (pills, near-pills): circular corners.
        path.addRoundedRect(rect, r, r);
        return path;
    }
    const double l = rect.left(), t = rect.top(), rr = rect.right(), b = rect.bottom();
    path.moveTo(l + reach * r, t);
    path.lineTo(rr - reach * r, t);
    addCorner(path, [&](double along, double in) { return QPointF(rr - along * r, t + in * r); });
    path.lineTo(rr, b - reach * r);
    addCorner(path, [&](double along, double in) { return QPointF(rr - in * r, b - along * r); });
    path.lineTo(l + reach * r, b);
    addCorner(path, [&](double along, double in) { return QPointF(l + along * r, b - in * r); });
    path.lineTo(l, t + reach * r);
    addCorner(path, [&](double along, double in) { return QPointF(l + in * r, t + along * r); });
    path.closeSubpath();
    return path;
}

void fillContinuousRect(QPainter& painter, const QRectF& rect, double radius, const QColor& color) {
    if (color.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRect(rect, radius), color);
    painter.restore();
}

void strokeInside(QPainter& painter, const QRectF& rect, double radius, const QColor& color, double width) {
    if (color.alpha() == 0 || width <= 0)
        return;
    const double half = width / 2;
    const QRectF inner = rect.adjusted(half, half, -half, -half);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(continuousRect(inner, std::max(0.0, radius - half)));
    painter.restore();
}

} // namespace keldra
