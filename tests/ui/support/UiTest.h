#pragma once
// Helpers for widget tests: draw a widget to an image and read its pixels.

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace keldra::test {

// The widget drawn at a device pixel ratio of 1, after its layout settled.
QImage grab(QWidget* widget);

// Compares colours within `tolerance` per channel (antialiasing, opacity rounding).
bool near(const QColor& actual, const QColor& expected, int tolerance = 3);

// The colour a fill of `color` gives over `background` (both opaque after blending).
QColor blend(const QColor& color, const QColor& background);

// Whether the image holds more than one colour.
bool hasDetail(const QImage& image);

// Collects the warnings logged while `body` runs.
QStringList captureWarnings(const std::function<void()>& body);

} // namespace keldra::test
