#pragma once

#include "core/crypto/KeldraKey.h"

#include <cstdint>
#include <memory>
#include <string>

namespace keldra {

// HMAC-SHA256 under the checksum key, fed in pieces, so a file can be checksummed while it is read.
// Throws KeldraCryptoError::keyDerivationFailed(-1) if OpenSSL cannot set up or run the MAC.
class KeyedChecksum {
public:
    explicit KeyedChecksum(const SymmetricKey& checksumKey);
    ~KeyedChecksum();
    KeyedChecksum(KeyedChecksum&&) noexcept;
    KeyedChecksum& operator=(KeyedChecksum&&) noexcept;

    void update(const std::uint8_t* data, std::size_t size);
    // Lowercase hex, 64 characters. The checksum cannot be fed further afterwards.
    std::string finishHex();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace keldra
