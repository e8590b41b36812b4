#pragma once

#include "core/Bytes.h"

#include <cstdint>
#include <string_view>

namespace keldra {

// PBKDF2 (RFC 8018) with HMAC-SHA256. Throws KeldraCryptoError::keyDerivationFailed(-1) when OpenSSL
// reports a failure.
Bytes pbkdf2HmacSha256(std::string_view password, std::string_view salt, std::uint32_t iterations,
                       std::size_t length);

// HKDF (RFC 5869) with SHA-256, extract then expand. Throws KeldraCryptoError::keyDerivationFailed(-1)
// when OpenSSL reports a failure.
Bytes hkdfSha256(const Bytes& inputKeyMaterial, std::string_view salt, std::string_view info,
                 std::size_t length);

} // namespace keldra
