#include "design/controls/OLProgressBar.h"
#include "design/theme/OLColor.h"
#include "tests/ui/kit/KitTest.h"

#include <gtest/gtest.h>
#include <limits>

namespace keldra {
namespace {

TEST(OLProgressBar, FillAndSpokenValueStaySoundForEveryFraction) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double fraction;
        double fill; // of a 300 px track, 6 px tall
        const char* spoken;
    } cases[] = {
        {0, 6, "0 percent"},          {-0.5, 6, "-50 percent"},
        {nan, 6, "0 percent"},        {inf, 300, "0 percent"},
        {0.426, 127.8, "42 percent"}, {1, 300, "100 percent"},
        {1.25, 300, "125 percent"},   {1e300, 300, "9223372036854775807 percent"},
    };
    for (const auto& c : cases) {
        OLProgressBar bar(c.fraction, OLColor::toneSecure, 6, QStringLiteral("Upload"));
        bar.resize(300, 6);
        EXPECT_DOUBLE_EQ(bar.fillWidth(), c.fill) << c.fraction;
        EXPECT_EQ(test::accessibleText(&bar, QAccessible::Value), QString::fromUtf8(c.spoken)) << c.fraction;
        EXPECT_EQ(test::accessibleText(&bar, QAccessible::Name), QStringLiteral("Upload"));
    }
}

TEST(OLProgressBar, NeverDrawsPastANarrowTrack) {
    OLProgressBar bar(0.5, OLColor::toneSecure, 8, QStringLiteral("Copy"));
    bar.resize(5, 8);
    EXPECT_LE(bar.fillWidth(), 5);
}

} // namespace
} // namespace keldra
