#include "design/controls/ProgressFraction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace keldra {

double progressFillFraction(double fraction) {
    if (!(fraction >= 0))
        return 0;
    return std::min(fraction, 1.0);
}

double progressFillWidth(double fraction, double trackWidth, double height) {
    return std::max(height, trackWidth * progressFillFraction(fraction));
}

std::string progressAccessibleValue(double fraction) {
    const double percent = std::trunc(fraction * 100);
    std::int64_t whole = 0;
    if (std::isfinite(percent)) {
        // 2^63 is exactly representable; anything at or beyond it would overflow the conversion.
        constexpr double limit = 9223372036854775808.0;
        if (percent >= limit)
            whole = std::numeric_limits<std::int64_t>::max();
        else if (percent < -limit)
            whole = std::numeric_limits<std::int64_t>::min();
        else
            whole = static_cast<std::int64_t>(percent);
    }
    return std::to_string(whole) + " percent";
}

} // namespace keldra
