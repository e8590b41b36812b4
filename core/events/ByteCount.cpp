#include "core/events/ByteCount.h"

#include "core/events/NumberGrouping.h"

#include <array>

namespace keldra {

namespace {

struct Unit {
    const char* name;
    int64_t bytes; // one unit
    int decimals;  // digits after the decimal mark
    int64_t step;  // bytes per last shown digit
};

constexpr std::array<Unit, 4> units{{
    {"KB", 1'000, 0, 1'000},
    {"MB", 1'000'000, 1, 100'000},
    {"GB", 1'000'000'000, 2, 10'000'000},
    {"TB", 1'000'000'000'000, 2, 10'000'000'000},
}};

// bytes / step rounded half up, without overflow.
int64_t roundedSteps(int64_t bytes, int64_t step) {
    const int64_t whole = bytes / step;
    const int64_t rest = bytes % step;
    return rest * 2 >= step ? whole + 1 : whole;
}

int64_t power10(int exponent) {
    int64_t value = 1;
    for (int i = 0; i < exponent; ++i) {
        value *= 10;
    }
    return value;
}

} // namespace

std::string formatByteCount(int64_t bytes) {
    return formatByteCount(bytes, std::locale());
}

std::string formatByteCount(int64_t bytes, const std::locale& locale) {
    if (bytes <= 0) {
        return "Zero KB";
    }
    if (bytes < 1'000) {
        return "1 KB";
    }
    size_t index = 0;
    while (index + 1 < units.size() && bytes >= units[index + 1].bytes) {
        ++index;
    }
    int64_t steps = roundedSteps(bytes, units[index].step);
    // A value that rounds up to 1000 of its unit reads better in the next one.
    if (index + 1 < units.size() && steps >= 1000 * power10(units[index].decimals)) {
        ++index;
        steps = roundedSteps(bytes, units[index].step);
    }
    const int64_t scale = power10(units[index].decimals);
    std::string text = groupDigits(std::to_string(steps / scale), locale);
    if (units[index].decimals > 0) {
        std::string fraction = std::to_string(steps % scale);
        fraction.insert(0, static_cast<size_t>(units[index].decimals) - fraction.size(), '0');
        while (!fraction.empty() && fraction.back() == '0') {
            fraction.pop_back();
        }
        if (!fraction.empty()) {
            text += decimalMark(locale);
            text += fraction;
        }
    }
    return text + " " + units[index].name;
}

} // namespace keldra
