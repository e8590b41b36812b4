#include "core/secrets/ScopeKey.h"

#include <cstdint>
#include <fmt/format.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace keldra {

namespace {

std::string normalisedEmail(std::string_view email) {
    // Malformed UTF-8 becomes U+FFFD here; an address typed into a text field is always valid text.
    icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(email.data(), static_cast<int32_t>(email.size())));

    // White_Space covers the spaces (Zs), tab, the line feeds and breaks U+000A-U+000D, U+0085 and the line
    // and paragraph separators: all the white space and newline characters.
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && u_isUWhiteSpace(text.char32At(start))) {
        start = text.moveIndex32(start, 1);
    }
    while (end > start) {
        const int32_t previous = text.moveIndex32(end, -1);
        if (!u_isUWhiteSpace(text.char32At(previous))) {
            break;
        }
        end = previous;
    }
    icu::UnicodeString trimmed(text, start, end - start);
    trimmed.toLower(icu::Locale::getRoot());

    std::string utf8;
    trimmed.toUTF8String(utf8);
    return utf8;
}

} // namespace

std::string scopeKey(std::string_view email) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : normalisedEmail(email)) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 0x100000001b3ULL;
    }
    return fmt::format("{:x}", hash);
}

} // namespace keldra
