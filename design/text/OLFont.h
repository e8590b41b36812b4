#pragma once
// QFont for a text style: the packaged family, the size in logical pixels (fractions kept), the weight and
// the tracking. A family the system does not have is logged once and the platform's fallback is used.

#include "design/theme/OLTextStyle.h"

#include <QFont>
#include <QString>

namespace keldra {

QFont::Weight qtWeight(OLFontWeight weight);

// `scale` shrinks the size (text that shrinks to fit).
QFont olFont(const OLTextStyle& style, double scale = 1);

// Sets a size in logical pixels, keeping fractions (QFont's own pixel size is an integer).
void setPixelSizeF(QFont& font, double pixels);

// The text as a style shows it: upper-cased for an upper-case style, otherwise exactly as given (a case
// from an enclosing view never leaks in).
QString olShownText(const OLTextStyle& style, const QString& text);

// Whether the font database has the family itself (not a substitute).
bool olFamilyAvailable(std::string_view family);

} // namespace keldra
