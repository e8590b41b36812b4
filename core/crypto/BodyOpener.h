#pragma once

#include "core/Bytes.h"
#include "core/crypto/KeldraKey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace keldra {

// Opens a body sealed by KeldraKey::seal (ciphertext, then the 16-byte tag) while it arrives in pieces,
// so a download can be decrypted on its way to a file without holding the whole body. The output of
// `update` is not yet authenticated: it may go only where nothing counts it as restored (a temp file)
// until `finish` has checked the tag.
class BodyOpener {
public:
    static constexpr std::size_t tagLength = 16;

    // Throws KeldraCryptoError::invalidIV for an IV that is not 12 bytes, decryptionFailed if OpenSSL
    // cannot start.
    BodyOpener(const KeldraKey& key, const Bytes& iv);
    ~BodyOpener();
    BodyOpener(const BodyOpener&) = delete;
    BodyOpener& operator=(const BodyOpener&) = delete;

    // Takes the next `size` bytes of the body and writes the plaintext they complete to `out`, which has
    // room for `size` bytes; returns how many it wrote. The last 16 bytes seen are held back, since they
    // may be the tag. Throws decryptionFailed if OpenSSL fails.
    std::size_t update(const std::uint8_t* in, std::size_t size, std::uint8_t* out);

    // Checks the held-back tag against everything opened; throws decryptionFailed when it does not match
    // (or the body was shorter than a tag). Call once, after the last piece.
    void finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
    std::array<std::uint8_t, tagLength> held_{};
    std::size_t heldLength_ = 0;
};

} // namespace keldra
