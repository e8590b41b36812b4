#pragma once
// The application's icon: the brand glyph (the safe door of the status orb) in the accent colour on a dark
// rounded tile. One drawing gives the installed PNGs, the installed SVG and the window's fallback icon.

#include <QByteArray>
#include <QIcon>
#include <QImage>

class QPainter;
class QRectF;

namespace keldra {

// The icon's name in the desktop's icon theme, as the desktop entry and the installed files spell it.
inline constexpr char appIconName[] = "org.orlivane.keldra";

// The sizes installed to the hicolor theme, in pixels.
inline constexpr int appIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// Draws the icon to fill `box` (a square).
void paintAppIcon(QPainter& painter, const QRectF& box);

// The icon at `size` pixels square, on a transparent background.
QImage drawAppIcon(int size);

// The icon as an SVG document, 512 units square.
QByteArray appIconSvg();

// The window's icon: the installed theme icon, else the drawing at every installed size.
QIcon keldraAppIcon();

} // namespace keldra
