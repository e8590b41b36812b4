#include "core/codec/Hex.h"

namespace keldra {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string hexEncode(const std::uint8_t* data, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out(size * 2, '0');
    for (std::size_t i = 0; i < size; ++i) {
        out[2 * i] = digits[data[i] >> 4];
        out[2 * i + 1] = digits[data[i] & 0x0F];
    }
    return out;
}

std::optional<Bytes> hexDecode(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    Bytes out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char highDigit = text[2 * i];
        const char lowDigit = text[2 * i + 1];
        const int high = hexDigitValue(highDigit);
        const int low = hexDigitValue(lowDigit);
        // Lowercase only: one spelling per value.
        if (high < 0 || low < 0 || (highDigit >= 'A' && highDigit <= 'F') ||
            (lowDigit >= 'A' && lowDigit <= 'F')) {
            return std::nullopt;
        }
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return out;
}

} // namespace keldra
