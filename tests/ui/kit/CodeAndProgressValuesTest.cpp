#include "design/controls/CodeDigits.h"
#include "design/controls/ProgressFraction.h"

#include <gtest/gtest.h>
#include <limits>

namespace keldra {
namespace {

TEST(CodeDigits, KeepsOnlyAsciiDigitsUpToSix) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"123-456", "123456"},
        {"12 34 56", "123456"},
        {"abc", ""},
        {"1234567", "123456"},
        {"²²²²²²", ""},       // superscripts
        {"١٢٣٤٥٦", ""},       // Arabic-Indic digits
        {"１２３４５６", ""}, // fullwidth digits
        {"Ⅻ½", ""},           // other numeric characters
        {"1²2٣3１4", "1234"},
        {"code: 987 654 (expires)", "987654"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepCodeDigits(c.typed), c.kept) << c.typed;
}

TEST(ProgressFraction, FillAndAccessibleValueForOddFractions) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double fraction;
        double fillWidth; // on a 200 px track, 6 px tall
        const char* spoken;
    } cases[] = {
        {0, 6, "0 percent"},
        {-0.5, 6, "-50 percent"},
        {nan, 6, "0 percent"},
        {inf, 200, "0 percent"},
        {-inf, 6, "0 percent"},
        {0.426, 200 * 0.426, "42 percent"},
        {1, 200, "100 percent"},
        {1.25, 200, "125 percent"},
        {1e300, 200, "9223372036854775807 percent"},
        {-1e300, 6, "-9223372036854775808 percent"},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(progressFillWidth(c.fraction, 200, 6), c.fillWidth) << c.fraction;
        EXPECT_EQ(progressAccessibleValue(c.fraction), c.spoken) << c.fraction;
    }
}

} // namespace
} // namespace keldra
