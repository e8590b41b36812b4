#include "service/api/Utf8Text.h"

namespace keldra {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when it is invalid.
std::size_t validSequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(s[k]);
    };
    const unsigned char c = byte(i);
    if (c < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) {
            low = 0xA0;
        } else if (c == 0xED) {
            high = 0x9F; // no surrogates
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) {
            low = 0x90;
        } else if (c == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
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

std::string repairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (const std::size_t n = validSequenceLength(bytes, i)) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
    return out;
}

std::string trimWhitespace(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string firstCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0, seen = 0;
    while (i < text.size() && seen < count) {
        const std::size_t n = validSequenceLength(text, i);
        i += n == 0 ? 1 : n;
        ++seen;
    }
    return std::string(text.substr(0, i));
}

std::size_t characterCount(std::string_view text) {
    std::size_t i = 0, seen = 0;
    while (i < text.size()) {
        const std::size_t n = validSequenceLength(text, i);
        i += n == 0 ? 1 : n;
        ++seen;
    }
    return seen;
}

} // namespace keldra
