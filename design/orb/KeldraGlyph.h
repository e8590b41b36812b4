#pragma once
// The safe-door glyph and the orb's badge, as painters usable on their own (the tray icon draws them too).
// Both are drawn at a design size and scaled by `scale`.

#include "design/health/HealthPresentation.h"

#include <QColor>
#include <QPointF>

class QPainter;

namespace keldra {

// The glyph's box at scale 1: 74 × 58.
inline constexpr double glyphDesignWidth = 74;
inline constexpr double glyphDesignHeight = 58;

// The door, dial, dial mark and hinges in one colour, centred on `centre`. Lines are 3.4 × `scale` wide, or
// `lineWidth` when it is larger (small icons thicken them so they stay visible).
void paintKeldraGlyph(QPainter& painter, QPointF centre, const QColor& color, double scale,
                      double lineWidth = 0);

// The badge's diameter: 20 at scale 1, never below 18.
double orbBadgeDiameter(double scale);

// A tick or an exclamation mark on a coloured disc with a dark rim, centred on `centre`.
void paintOrbBadge(QPainter& painter, QPointF centre, HealthPresentation::Badge badge, double scale);

} // namespace keldra
