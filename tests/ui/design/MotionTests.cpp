#include "design/motion/OLMotion.h"
#include "design/theme/OLThemeValues.h"

#include <QPointF>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(Motion, GlassSpringOvershootsSlightlyAndSettles) {
    const OLAnimationTiming spring = phaseAnimation(OLTheme{});
    // Settles within a thousandth: ln(1000) / (0.8 × 2π / 0.45) ≈ 0.62 s.
    EXPECT_NEAR(spring.duration, 0.618, 0.005);
    EXPECT_EQ(OLMotion::durationMs(spring), 618);
    const QEasingCurve curve = OLMotion::easingCurve(spring);
    EXPECT_NEAR(curve.valueForProgress(0), 0, 1e-6);
    EXPECT_NEAR(curve.valueForProgress(1), 1, 1e-6);
    double peak = 0;
    for (int i = 0; i <= 200; ++i)
        peak = std::max(peak, curve.valueForProgress(i / 200.0));
    // A damping fraction of 0.8 overshoots by e^(-0.8π/0.6) ≈ 1.5 %.
    EXPECT_NEAR(peak, 1.015, 0.004);
    // A third of the way in (0.206 s) the spring has covered 88 %.
    EXPECT_NEAR(curve.valueForProgress(1.0 / 3), 0.884, 0.01);
    // Qt's spline easing holds no more than ten cubic segments; more corrupt memory when it is copied.
    EXPECT_LE(curve.toCubicSpline().size(), 30);
}

TEST(Motion, FixedCurvesAndDurations) {
    EXPECT_EQ(OLMotion::durationMs(phaseAnimation(OLTheme{OLStyle::signal, OLAccent::frost, 999})), 250);
    EXPECT_EQ(OLMotion::durationMs(OLMotion::pressed), 150);
    EXPECT_EQ(OLMotion::durationMs(OLMotion::holdFill), 800);
    EXPECT_EQ(OLMotion::easingCurve(OLMotion::holdFill).type(), QEasingCurve::Linear);
    const QEasingCurve easeOut = OLMotion::easingCurve(OLMotion::pressed);
    EXPECT_GT(easeOut.valueForProgress(0.5), 0.5);
    EXPECT_FALSE(OLMotion::animationsEnabled()); // KELDRA_ANIMATIONS=0 in the tests
}

} // namespace
} // namespace keldra
