#pragma once
// Rounded rectangles with continuous (curvature-smooth) corners, and outlines drawn inside the shape.

#include <QPainterPath>
#include <QRectF>

class QColor;
class QPainter;

namespace keldra {

// The corner radius clamped to half the short side, so a large radius gives a pill.
double clampedRadius(const QRectF& rect, double radius);

QPainterPath continuousRect(const QRectF& rect, double radius);

// Fills the shape.
void fillContinuousRect(QPainter& painter, const QRectF& rect, double radius, const QColor& color);

// Strokes the shape on its inside edge: the outline stays within `rect`.
void strokeInside(QPainter& painter, const QRectF& rect, double radius, const QColor& color,
                  double width = 1);

} // namespace keldra
