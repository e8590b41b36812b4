#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace keldra {

// Standard alphabet (RFC 4648) with "=" padding and no line breaks.
std::string base64Encode(const std::uint8_t* data, std::size_t size);
inline std::string base64Encode(const Bytes& bytes) { return base64Encode(bytes.data(), bytes.size()); }

// Strict: no whitespace, length a multiple of four, padding only at the end (at most two "=").
// Anything else gives no value.
std::optional<Bytes> base64Decode(std::string_view text);

} // namespace keldra
