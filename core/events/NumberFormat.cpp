#include "core/events/NumberFormat.h"

#include "core/events/NumberGrouping.h"

#include <cstdint>

namespace keldra {

std::string formatCount(int64_t count) {
    return formatCount(count, std::locale());
}

std::string formatCount(int64_t count, const std::locale& locale) {
    // Work on the magnitude as unsigned so the most negative value does not overflow.
    const bool negative = count < 0;
    const uint64_t magnitude =
        negative ? uint64_t{0} - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    std::string text = groupDigits(std::to_string(magnitude), locale);
    return negative ? "-" + text : text;
}

} // namespace keldra
