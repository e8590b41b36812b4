#include "onboarding/settings/CustomExclusions.h"

namespace keldra {

std::vector<std::string> splitCustomExclusions(std::string_view text) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string_view piece = text.substr(start, comma - start);
        const std::size_t first = piece.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            piece = piece.substr(first, piece.find_last_not_of(" \t") - first + 1);
            patterns.emplace_back(piece);
        }
        start = comma + 1;
    }
    return patterns;
}

std::string joinCustomExclusions(const std::vector<std::string>& patterns) {
    std::string text;
    for (const std::string& pattern : patterns) {
        if (!text.empty()) {
            text += ", ";
        }
        text += pattern;
    }
    return text;
}

} // namespace keldra
