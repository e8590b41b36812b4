#pragma once
// The arithmetic of the throughput chart: which samples it shows, the top of its scale, where each point
// and grid line sits and how the scale is labelled. Qt-free so that it is tested without a widget.

#include <span>
#include <string>
#include <vector>

namespace keldra {

// The newest `window` samples (all of them when there are fewer), oldest first. A negative window shows none.
std::vector<double> visibleSamples(std::span<const double> samples, int window);

// The top of the scale, in MB/s, for a peak speed in MB/s: 0 for a peak that is not above 0 (or not a
// number), else the first step of 1, 2, 3, 6, 9 … 1200 that is not below the peak, else the next multiple
// of 300.
double axisMaximum(double peakMegabytesPerSecond);

// A sample as the chart counts it: a speed that is negative or not finite (a clock jump, a bad reading)
// counts as 0, so one bad sample can neither break the line nor blow up the scale.
double chartSample(double bytesPerSecond);

// The top of the scale for the visible samples, in MB/s.
double chartTop(std::span<const double> visible);

struct ChartPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// The line through the visible samples, in a plot `plotWidth` wide and `height` tall: the newest sample at
// the right edge, a sample at `top` 6 px below the top edge, a zero sample 2 px above the bottom. Empty when
// there are fewer than two samples or the scale is flat (top 0).
std::vector<ChartPoint> chartLine(std::span<const double> visible, int window, double plotWidth,
                                  double height, double top);

// The y of grid line k (0 at the bottom … 3 at the top) in a chart `height` tall.
double gridLineY(int k, double height);

// The label of a scale value: no decimals for 0 and for 10 or more, one decimal between.
std::string axisLabel(double megabytesPerSecond);

// The chart's accessible text: "Upload " and the newest visible speed as number and unit.
std::string chartAccessibleText(std::span<const double> visible);

} // namespace keldra
