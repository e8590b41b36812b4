#pragma once
// An animation's timing as data: the curves the views use, Qt-free so themes can name them.

namespace keldra {

struct OLAnimationTiming {
    enum class Curve { linear, easeOut, easeInOut, spring };

    Curve curve = Curve::easeOut;
    double duration = 0.25; // seconds; for a spring, derived from response and damping
    double response = 0;    // spring: the period of the undamped oscillation, seconds
    double dampingFraction = 1;

    static constexpr OLAnimationTiming linear(double seconds) { return {Curve::linear, seconds, 0, 1}; }
    static constexpr OLAnimationTiming easeOut(double seconds) { return {Curve::easeOut, seconds, 0, 1}; }
    static constexpr OLAnimationTiming easeInOut(double seconds) { return {Curve::easeInOut, seconds, 0, 1}; }
    // A damped spring; it runs until it settles within a thousandth of its target.
    static OLAnimationTiming spring(double response, double dampingFraction);

    friend constexpr bool operator==(const OLAnimationTiming&, const OLAnimationTiming&) = default;
};

} // namespace keldra
