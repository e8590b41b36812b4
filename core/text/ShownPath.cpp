#include "core/text/ShownPath.h"

#include "core/text/Utf8Text.h"

#include <cstddef>
#include <cstdint>
#include <fmt/format.h>
#include <optional>
#include <vector>

namespace keldra {

namespace {

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Characters that would act on a terminal or on the text around them instead of being read: C0 and C1
// controls (a new line forges a log line, ESC starts a terminal sequence) and the bidirectional marks,
// embeddings, overrides and isolates (U+202E turns "exe.txt" into "txt.exe" on screen).
bool mustEscape(std::uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::string shownText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::optional<Utf8Character> c = utf8CharacterAt(text, i);
        const std::size_t length = c ? c->length : 1; // a stray byte is kept as it is
        if (c && mustEscape(c->codePoint)) {
            out += c->codePoint < 0x80 ? fmt::format("\\x{:02X}", c->codePoint)
                                       : fmt::format("\\u{{{:04X}}}", c->codePoint);
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string shownPath(std::string_view path) {
    // Offsets of the first byte of every character.
    std::vector<std::size_t> starts;
    starts.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!isContinuationByte(static_cast<unsigned char>(path[i]))) {
            starts.push_back(i);
        }
    }
    if (starts.size() < 81) {
        return shownText(path);
    }
    return "\u2026" + shownText(path.substr(starts[starts.size() - 78]));
}

} // namespace keldra
