#include "core/text/ShownPath.h"

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

// The code point of the UTF-8 sequence at `text`; none for an invalid one (the byte is then kept as is).
std::optional<std::uint32_t> decodeAt(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    std::uint32_t value = 0;
    if (lead < 0x80) {
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if (!isContinuationByte(next)) {
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    return value;
}

// Characters that would act on a terminal or on the text around them instead of being read: C0 and C1
// controls (a new line forges a log line, ESC starts a terminal sequence) and the bidirectional marks,
// embeddings, overrides and isolates (U+202E turns "exe.txt" into "txt.exe" on screen).
bool mustEscape(std::uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::optional<std::uint32_t> c = decodeAt(text.substr(i));
        std::size_t length = 1;
        if (c) {
            length = *c < 0x80 ? 1 : *c < 0x800 ? 2 : *c < 0x10000 ? 3 : 4;
        }
        if (c && mustEscape(*c)) {
            out += *c < 0x80 ? fmt::format("\\x{:02X}", *c) : fmt::format("\\u{{{:04X}}}", *c);
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

} // namespace

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
        return escaped(path);
    }
    return "\u2026" + escaped(path.substr(starts[starts.size() - 78]));
}

} // namespace keldra
