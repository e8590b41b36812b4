#include "design/status/ToneColors.h"

#include "design/health/HealthPresentation.h"
#include "design/theme/OLColor.h"

namespace keldra {

OLRgba toneTintFill(StatusTone tone) {
    return toneFill(tone).value_or(OLColor::toneInfo.opacity(0.12));
}

OLRgba toneTextColor(StatusTone tone) {
    return tone == StatusTone::danger ? OLColor::textError : toneColor(tone);
}

} // namespace keldra
