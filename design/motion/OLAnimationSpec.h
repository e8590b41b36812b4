#pragma once
// An animation's timing as data: the curves the views use, Qt-free so themes can name them.

namespace keldra {

struct OLAnimationSpec {
    enum class Curve { linear, easeOut, easeInOut, spring };

    Curve curve = Curve::easeOut;
    double duration = 0.25; // seconds; for a spring, derived from response and damping
    double response = 0;    // spring: the period of the undamped oscillation, seconds
    double dampingFraction = 1;

    static constexpr OLAnimationSpec linear(double seconds) { return {Curve::linear, seconds, 0, 1}; }
    static constexpr OLAnimationSpec easeOut(double seconds) { return {Curve::easeOut, seconds, 0, 1}; }
    static constexpr OLAnimationSpec easeInOut(double seconds) { return {Curve::easeInOut, seconds, 0, 1}; }
    // A damped spring; it runs until it settles within a thousandth of its target.
    static OLAnimationSpec spring(double response, double dampingFraction);

    friend constexpr bool operator==(const OLAnimationSpec&, const OLAnimationSpec&) = default;
};

} // namespace keldra
