#include "core/text/Utf8Text.h"

#include <cstdint>

namespace keldra {

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0 when it is not one (overlong forms, surrogates and
// code points above U+10FFFF included).
size_t sequenceLength(std::string_view bytes, size_t i) {
    const auto byte = [&](size_t k) {
        return static_cast<uint8_t>(bytes[k]);
    };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::optional<Utf8Character> utf8CharacterAt(std::string_view bytes, std::size_t i) {
    const size_t length = sequenceLength(bytes, i);
    if (length == 0) {
        return std::nullopt;
    }
    static constexpr uint8_t leadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint32_t codePoint = static_cast<uint8_t>(bytes[i]) & leadBits[length];
    for (size_t k = 1; k < length; ++k) {
        codePoint = (codePoint << 6) | (static_cast<uint8_t>(bytes[i + k]) & 0x3F);
    }
    return Utf8Character{codePoint, length};
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string toDisplayUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++i;
        } else {
            text.append(bytes.substr(i, length));
            i += length;
        }
    }
    return text;
}

std::string trimWhitespace(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string firstCharacters(std::string_view text, size_t count) {
    size_t i = 0;
    for (size_t seen = 0; i < text.size() && seen < count; ++seen) {
        const size_t length = sequenceLength(text, i);
        i += length == 0 ? 1 : length;
    }
    return std::string(text.substr(0, i));
}

size_t characterCount(std::string_view text) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++seen) {
        const size_t length = sequenceLength(text, i);
        i += length == 0 ? 1 : length;
    }
    return seen;
}

} // namespace keldra
