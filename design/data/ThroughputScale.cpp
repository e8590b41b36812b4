#include "design/data/ThroughputScale.h"

#include "core/events/Formatters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>

namespace keldra {

namespace {

constexpr double bytesPerMegabyte = 1'000'000.0;
constexpr std::array<double, 16> scaleSteps{1, 2, 3, 6, 9, 12, 15, 30, 60, 90, 120, 150, 300, 600, 900, 1200};

} // namespace

std::vector<double> visibleSamples(std::span<const double> samples, int window) {
    const size_t count = std::min(samples.size(), static_cast<size_t>(std::max(window, 0)));
    return {samples.end() - static_cast<std::ptrdiff_t>(count), samples.end()};
}

double axisMaximum(double peak) {
    if (!(peak > 0))
        return 0;
    for (double step : scaleSteps) {
        if (step >= peak)
            return step;
    }
    if (!std::isfinite(peak))
        return 0;
    return std::ceil(peak / 300) * 300;
}

double chartSample(double bytesPerSecond) {
    return std::isfinite(bytesPerSecond) && bytesPerSecond > 0 ? bytesPerSecond : 0;
}

double chartTop(std::span<const double> visible) {
    double peak = 0;
    for (double sample : visible)
        peak = std::max(peak, chartSample(sample));
    return axisMaximum(peak / bytesPerMegabyte);
}

std::vector<ChartPoint> chartLine(std::span<const double> visible, int window, double plotWidth,
                                  double height, double top) {
    const auto n = static_cast<double>(visible.size());
    if (visible.size() < 2 || !(top > 0) || window < 2)
        return {};
    std::vector<ChartPoint> points;
    points.reserve(visible.size());
    for (size_t i = 0; i < visible.size(); ++i) {
        const double x = plotWidth * (window - n + static_cast<double>(i)) / (window - 1);
        const double y = (height - 2) - (height - 8) * (chartSample(visible[i]) / bytesPerMegabyte) / top;
        points.push_back({x, y});
    }
    return points;
}

double gridLineY(int k, double height) {
    return height - 1 - (height - 6) * k / 3.0;
}

std::string axisLabel(double value) {
    return value == 0 || value >= 10 ? fmt::format("{:.0f}", value) : fmt::format("{:.1f}", value);
}

std::string chartAccessibleText(std::span<const double> visible) {
    const auto speed = formatThroughput(visible.empty() ? 0 : chartSample(visible.back()));
    return "Upload " + speed.number + " " + speed.unit;
}

} // namespace keldra
