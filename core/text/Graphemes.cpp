#include "core/text/Graphemes.h"

#include "core/text/Utf8Text.h"

#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace keldra {

std::vector<std::string> graphemeClusters(std::string_view text) {
    std::vector<std::string> clusters;
    if (text.empty()) {
        return clusters;
    }
    // Invalid bytes become U+FFFD first, so each stays one character and offsets stay in step.
    const std::string valid = toDisplayUtf8(text);
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(valid.data(), static_cast<int32_t>(valid.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !breaks) {
        // Without break rules, every code point stands alone.
        for (std::size_t i = 0; i < valid.size();) {
            const std::size_t length = utf8CharacterAt(valid, i).value_or(Utf8Character{0, 1}).length;
            clusters.emplace_back(valid.substr(i, length));
            i += length;
        }
        return clusters;
    }
    breaks->setText(unicode);
    int32_t start = breaks->first();
    for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE; start = end, end = breaks->next()) {
        std::string cluster;
        unicode.tempSubStringBetween(start, end).toUTF8String(cluster);
        clusters.push_back(std::move(cluster));
    }
    return clusters;
}

std::size_t graphemeCount(std::string_view text) {
    return graphemeClusters(text).size();
}

} // namespace keldra
