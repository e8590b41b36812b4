#pragma once
// The two readings of a progress fraction: how far the bar is filled and what a screen reader says.
// Qt-free so both are tested for every odd value a caller might pass.

#include <string>

namespace keldra {

// The filled part of the track, 0 to 1: below 0 or not a number is 0, 1 or more is 1.
double progressFillFraction(double fraction);

// The fill's width on a track `trackWidth` wide: never narrower than the bar is tall (a round dot at 0 %).
double progressFillWidth(double fraction, double trackWidth, double height);

// "<n> percent" with n = fraction × 100 truncated toward zero, from the unclamped fraction (1.25 reads 125).
// A fraction that is not finite reads 0, and one beyond the 64-bit range stops at its limit.
std::string progressAccessibleValue(double fraction);

} // namespace keldra
