#pragma once
// The soft glow behind a protected orb: a filled circle, Gaussian-blurred, rendered once per size and
// colour and then only drawn.

#include <QColor>
#include <QImage>

namespace keldra {

// A square image centred on the circle: the circle of `diameter` plus three blur radii of fade on every
// side, at `devicePixelRatio`.
QImage haloImage(double diameter, double blurRadius, const QColor& color, double devicePixelRatio);

// How far the halo reaches beyond a circle of `diameter` blurred by `blurRadius`.
double haloReach(double blurRadius);

} // namespace keldra
