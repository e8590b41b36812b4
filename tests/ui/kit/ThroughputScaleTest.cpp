#include "design/data/ThroughputScale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace keldra {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(ThroughputScale, AxisMaximumSnapsToTheNextStep) {
    const struct {
        double peak;
        double top;
    } cases[] = {{0, 0},      {-5, 0},      {nan, 0},     {-inf, 0},    {0.2, 1},     {1, 1},       {2.5, 3},
                 {12.01, 15}, {150.5, 300}, {1200, 1200}, {1201, 1500}, {1500, 1500}, {1501, 1800}, {inf, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(axisMaximum(c.peak), c.top) << "peak " << c.peak;
}

TEST(ThroughputScale, VisibleSamplesAreTheNewestOfTheWindow) {
    const std::vector<double> samples{1, 2, 3, 4, 5};
    EXPECT_EQ(visibleSamples(samples, 3), (std::vector<double>{3, 4, 5}));
    EXPECT_EQ(visibleSamples(samples, 300), samples);
    EXPECT_TRUE(visibleSamples(samples, 0).empty());
    EXPECT_TRUE(visibleSamples(samples, -1).empty());
    EXPECT_TRUE(visibleSamples({}, 300).empty());
}

TEST(ThroughputScale, OnlyTheVisibleSamplesSetTheScale) {
    std::vector<double> samples(400, 500'000);
    samples[0] = 900'000'000; // outside a window of 300
    EXPECT_EQ(chartTop(visibleSamples(samples, 300)), 1);
    EXPECT_EQ(chartTop(visibleSamples(samples, 400)), 900);
    EXPECT_EQ(chartTop({}), 0);
    EXPECT_EQ(chartTop(std::vector<double>(10, 0.0)), 0);
}

TEST(ThroughputScale, SixtySamplesInAWindowOfThreeHundredSpanTheRightmostFifth) {
    const std::vector<double> visible(60, 2'000'000);
    const double plotWidth = 299 * 4.0;
    const auto line = chartLine(visible, 300, plotWidth, 100, chartTop(visible));
    ASSERT_EQ(line.size(), 60u);
    EXPECT_DOUBLE_EQ(line.front().x, plotWidth * 240 / 299);
    EXPECT_DOUBLE_EQ(line.back().x, plotWidth);
    EXPECT_NEAR(line.front().x / plotWidth, 0.8, 0.005);
    // 2 MB/s on a scale of 2: the top of the scale sits 6 px below the top edge.
    EXPECT_DOUBLE_EQ(line.back().y, 6);
}

TEST(ThroughputScale, AFullWindowSpansThePlotAndZeroSitsTwoAboveTheBottom) {
    std::vector<double> visible(300, 0.0);
    visible[150] = 3'000'000;
    const auto line = chartLine(visible, 300, 600, 80, chartTop(visible));
    ASSERT_EQ(line.size(), 300u);
    EXPECT_DOUBLE_EQ(line.front().x, 0);
    EXPECT_DOUBLE_EQ(line.back().x, 600);
    EXPECT_DOUBLE_EQ(line.front().y, 78);
    EXPECT_DOUBLE_EQ(line[150].y, 6);
}

TEST(ThroughputScale, NoLineForFewerThanTwoSamplesOrAFlatScale) {
    EXPECT_TRUE(chartLine({}, 300, 600, 80, 0).empty());
    EXPECT_TRUE(chartLine(std::vector<double>{5'000'000}, 300, 600, 80, 6).empty());
    const std::vector<double> zeros(50, 0.0);
    EXPECT_TRUE(chartLine(zeros, 300, 600, 80, chartTop(zeros)).empty());
}

TEST(ThroughputScale, ABadSampleCountsAsZeroAndKeepsTheLineWhole) {
    const std::vector<double> visible{1'000'000, nan, -4'000'000, inf, 1'000'000};
    const double top = chartTop(visible);
    EXPECT_EQ(top, 1);
    const auto line = chartLine(visible, 5, 400, 80, top);
    ASSERT_EQ(line.size(), 5u);
    for (const auto& point : line) {
        EXPECT_TRUE(std::isfinite(point.x) && std::isfinite(point.y));
        EXPECT_GE(point.y, 6);
        EXPECT_LE(point.y, 78);
    }
    EXPECT_DOUBLE_EQ(line[1].y, 78);
    EXPECT_DOUBLE_EQ(line[2].y, 78);
    EXPECT_DOUBLE_EQ(line[3].y, 78);
}

TEST(ThroughputScale, GridLinesRunFromOneAboveTheBottomToFiveBelowTheTop) {
    EXPECT_DOUBLE_EQ(gridLineY(0, 96), 95);
    EXPECT_DOUBLE_EQ(gridLineY(1, 96), 65);
    EXPECT_DOUBLE_EQ(gridLineY(3, 96), 5);
}

TEST(ThroughputScale, AxisLabelsShowOneDecimalOnlyBetweenZeroAndTen) {
    const struct {
        double top;
        const char* labels[4];
    } cases[] = {{0, {"0", "0", "0", "0"}},
                 {1, {"0", "0.3", "0.7", "1.0"}},
                 {3, {"0", "1.0", "2.0", "3.0"}},
                 {30, {"0", "10", "20", "30"}},
                 {1500, {"0", "500", "1000", "1500"}}};
    for (const auto& c : cases) {
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(axisLabel(c.top * k / 3), c.labels[k]) << "top " << c.top << " line " << k;
    }
}

TEST(ThroughputScale, AccessibleTextNamesTheNewestSpeed) {
    EXPECT_EQ(chartAccessibleText({}), "Upload 0 KB/s");
    EXPECT_EQ(chartAccessibleText(std::vector<double>{0, 2'500'000}), "Upload 2.5 MB/s");
    EXPECT_EQ(chartAccessibleText(std::vector<double>{2'500'000, nan}), "Upload 0 KB/s");
}

} // namespace
} // namespace keldra
