#pragma once

#include "core/Bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace keldra {

using SymmetricKey = std::array<std::uint8_t, 32>;

// The account's 256-bit key: derived from the passphrase, it seals file contents and names with
// AES-256-GCM and keys the file checksums. An immutable value; every operation is pure.
class KeldraKey {
public:
    // PBKDF2-HMAC-SHA256 of the passphrase's UTF-8 bytes exactly as typed, 100000 rounds, fixed salt.
    // Throws KeldraCryptoError (emptyPassphrase, keyDerivationFailed).
    static KeldraKey derive(std::string_view passphrase);

    // From exactly 32 stored bytes; any other length gives no key.
    static std::optional<KeldraKey> fromBytes(const std::uint8_t* data, std::size_t size);
    static std::optional<KeldraKey> fromBytes(const Bytes& bytes) {
        return fromBytes(bytes.data(), bytes.size());
    }

    explicit KeldraKey(const SymmetricKey& symmetricKey) : symmetricKey_(symmetricKey) {}

    const SymmetricKey& symmetricKey() const { return symmetricKey_; }

    // (IV, sealed bytes): the ciphertext followed by the 16-byte tag. A given IV must be 12 bytes, else
    // invalidIV; without one a fresh random 12-byte nonce is used.
    std::pair<Bytes, Bytes> seal(const std::uint8_t* plaintext, std::size_t size,
                                 const std::optional<Bytes>& iv = std::nullopt) const;
    std::pair<Bytes, Bytes> seal(const Bytes& plaintext,
                                 const std::optional<Bytes>& iv = std::nullopt) const {
        return seal(plaintext.data(), plaintext.size(), iv);
    }

    // Throws invalidIV (IV not 12 bytes) or decryptionFailed (short input, wrong key, altered byte).
    Bytes open(const std::uint8_t* sealed, std::size_t size, const Bytes& iv) const;
    Bytes open(const Bytes& sealed, const Bytes& iv) const { return open(sealed.data(), sealed.size(), iv); }
    // The same as open, decrypting inside `sealed`'s own buffer, so opening a large body needs no second
    // buffer of its size. On failure nothing of the plaintext is left in the buffer.
    Bytes openInPlace(Bytes sealed, const Bytes& iv) const;

    // base64(IV) + "." + base64(sealed UTF-8 bytes of the name).
    std::string sealName(std::string_view name, const std::optional<Bytes>& iv = std::nullopt) const;

    // Shape test only (two pieces, a 16-character first piece, both strictly base64); needs no key.
    static bool isSealedName(std::string_view text);

    // True exactly when the verifier (base64 sealed bytes) opens with the IV (base64) to "cairn-ok-v1".
    bool checkVerifier(std::string_view verifierBase64, std::string_view ivBase64) const;

    // HKDF-SHA256 of the key with the checksum salt and info "file-hmac". Only if OpenSSL itself fails
    // (out of memory, no default provider) does it throw, with keyDerivationFailed(-1).
    SymmetricKey checksumKey() const;

    friend bool operator==(const KeldraKey&, const KeldraKey&) = default;

private:
    SymmetricKey symmetricKey_;
};

// The keyed checksum of a file's plaintext: HMAC-SHA256 under the checksum key, lowercase hex (64 chars).
// KeyedChecksum.h computes the same in pieces. Throws keyDerivationFailed(-1) only if OpenSSL fails.
std::string keyedChecksumHex(const SymmetricKey& checksumKey, const std::uint8_t* data, std::size_t size);

} // namespace keldra
