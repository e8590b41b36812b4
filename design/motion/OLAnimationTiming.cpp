#include "design/motion/OLAnimationTiming.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace keldra {

OLAnimationTiming OLAnimationTiming::spring(double response, double dampingFraction) {
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.05, 1.0);
    // The envelope e^(-zeta*omega*t) falls below 0.001 here.
    const double settle = std::log(1000.0) / (zeta * omega);
    return {Curve::spring, settle, response, dampingFraction};
}

} // namespace keldra
