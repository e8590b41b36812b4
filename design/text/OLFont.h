#pragma once
// QFont for a text style: the packaged family, the size in logical pixels (fractions kept), the weight and
// the tracking. A family the system does not have is logged once and the platform's fallback is used.

#include "design/theme/OLTextStyle.h"

#include <QFont>

namespace keldra {

QFont::Weight qtWeight(OLFontWeight weight);

// `scale` shrinks the size (text that shrinks to fit).
QFont olFont(const OLTextStyle& style, double scale = 1);

// Sets a size in logical pixels, keeping fractions (QFont's own pixel size is an integer).
void setPixelSizeF(QFont& font, double pixels);

// Whether the font database has the family itself (not a substitute).
bool olFamilyAvailable(std::string_view family);

} // namespace keldra
