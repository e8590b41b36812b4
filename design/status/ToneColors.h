#pragma once
// The colours a status tone lends to chips and banners beyond its own colour.

#include "app/model/ThemeValues.h"
#include "design/theme/OLRgba.h"

namespace keldra {

// The tinted fill of a chip or banner: the tone's fill, and the info colour at 0.12 for info.
OLRgba toneTintFill(StatusTone tone);
// Text written in a tone: danger reads in the lighter error colour.
OLRgba toneTextColor(StatusTone tone);

} // namespace keldra
