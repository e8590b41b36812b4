#include "design/orb/KeldraGlyph.h"

#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace keldra {

void paintKeldraGlyph(QPainter& p, QPointF c, const QColor& color, double s, double lineWidth) {
    const double w = std::max(3.4 * s, lineWidth);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, w));

    const QRectF door(c.x() - 33 * s, c.y() - 29 * s, 66 * s, 58 * s);
    p.drawPath(continuousRect(door, 9 * s));
    p.drawEllipse(c, 12 * s, 12 * s);

    p.setPen(Qt::NoPen);
    const QRectF mark(c.x() - w / 2, c.y() - 17 * s - 3.5 * s, w, 7 * s);
    fillContinuousRect(p, mark, w / 2, color);

    const double hingeX = c.x() - (33 * s + 1.5 * s);
    const double hingeOffset = (22 * s + w) / 2;
    for (double dy : {-hingeOffset, hingeOffset}) {
        const QRectF hinge(hingeX - 2.5 * s, c.y() + dy - w / 2, 5 * s, w);
        fillContinuousRect(p, hinge, w / 2, color);
    }
    p.restore();
}

double orbBadgeDiameter(double scale) {
    return std::max(20 * scale, 18.0);
}

void paintOrbBadge(QPainter& p, QPointF c, HealthPresentation::Badge badge, double scale) {
    const double d = orbBadgeDiameter(scale);
    const QRectF box(c.x() - d / 2, c.y() - d / 2, d, d);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    OLRgba fill = OLColor::toneSecure;
    if (badge == HealthPresentation::Badge::warning)
        fill = OLColor::toneWarning;
    else if (badge == HealthPresentation::Badge::danger)
        fill = OLColor::toneDanger;
    p.setPen(Qt::NoPen);
    p.setBrush(fill.qcolor());
    p.drawEllipse(box);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(OLColor::background.opacity(0.6).qcolor(), 2));
    p.drawEllipse(box.adjusted(1, 1, -1, -1));

    if (badge == HealthPresentation::Badge::tick) {
        QPainterPath tick;
        tick.moveTo(box.left() + 0.28 * d, box.top() + 0.52 * d);
        tick.lineTo(box.left() + 0.44 * d, box.top() + 0.68 * d);
        tick.lineTo(box.left() + 0.73 * d, box.top() + 0.36 * d);
        p.setPen(QPen(OLColor::inkOnLight.qcolor(), std::max(0.11 * d, 1.8), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPath(tick);
    } else {
        p.setFont(olFont({0.68 * d, OLFontWeight::heavy, 1.2, 0, false, false, OLRelativeTextStyle::body}));
        p.setPen((badge == HealthPresentation::Badge::warning ? OLColor::inkOnLight : OLColor::textOnFill)
                     .qcolor());
        p.drawText(box, Qt::AlignCenter, QStringLiteral("!"));
    }
    p.restore();
}

} // namespace keldra
