#include "app/model/MetaDate.h"

#include <charconv>

namespace keldra {

std::optional<SystemTime> metaDate(const std::optional<std::string>& text) {
    if (!text || text->empty()) {
        return std::nullopt;
    }
    double seconds = 0;
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, seconds);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return checkedFromUnixSeconds(seconds);
}

} // namespace keldra
