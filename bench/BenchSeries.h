#pragma once
// One figure per round of a benchmark, printed as its median and range.

#include <algorithm>
#include <fmt/format.h>
#include <string>
#include <vector>

namespace keldra::bench {

struct Series {
    std::vector<double> values;
    double median() const {
        auto sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    std::string line(const char* unit) const {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return fmt::format("{:6.3f}{} ({:.3f}–{:.3f})", median(), unit, *low, *high);
    }
};

} // namespace keldra::bench
