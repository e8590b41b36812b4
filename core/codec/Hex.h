#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// Lowercase, two digits per byte.
std::string hexEncode(const std::uint8_t* data, std::size_t size);
inline std::string hexEncode(const Bytes& bytes) {
    return hexEncode(bytes.data(), bytes.size());
}

// One hexadecimal digit of either case: its value, or -1 when `c` is none.
int hexDigitValue(char c);

// Strict: an even number of lowercase hexadecimal digits.
std::optional<Bytes> hexDecode(std::string_view text);

} // namespace keldra
