#include "core/events/NumberGrouping.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace keldra {

std::string groupDigits(const std::string& digits, const std::locale& locale) {
    const auto& punct = std::use_facet<std::numpunct<char>>(locale);
    const std::string grouping = punct.grouping();
    if (grouping.empty()) {
        return digits;
    }
    // Groups from the right: each entry of the grouping gives a size, the last one repeats, and a size of
    // zero or CHAR_MAX leaves the rest ungrouped.
    std::vector<std::string> groups;
    size_t end = digits.size();
    for (size_t index = 0;; ++index) {
        const int size = static_cast<signed char>(grouping[std::min(index, grouping.size() - 1)]);
        if (size <= 0 || size == CHAR_MAX || end <= static_cast<size_t>(size)) {
            groups.push_back(digits.substr(0, end));
            break;
        }
        groups.push_back(digits.substr(end - static_cast<size_t>(size), static_cast<size_t>(size)));
        end -= static_cast<size_t>(size);
    }
    std::string text;
    for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
        if (!text.empty()) {
            text += punct.thousands_sep();
        }
        text += *group;
    }
    return text;
}

char decimalMark(const std::locale& locale) {
    return std::use_facet<std::numpunct<char>>(locale).decimal_point();
}

} // namespace keldra
