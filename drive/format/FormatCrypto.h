#pragma once

#include "core/Bytes.h"
#include "core/crypto/KeldraKey.h"
#include "core/crypto/OpenSslHandles.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

typedef struct evp_mac_ctx_st EVP_MAC_CTX;

namespace keldra::LocalFormat {

inline constexpr std::size_t nonceSize = 12;
inline constexpr std::size_t tagSize = 16;

using Nonce = std::array<std::uint8_t, nonceSize>;
using Tag = std::array<std::uint8_t, tagSize>;

// HKDF-SHA256 of the account key with the drive format's own salt and info: drive objects never share a
// key with cloud copies.
SymmetricKey contentKey(const KeldraKey& key);

// A fresh nonce from the system's secure random source.
Nonce randomNonce();

// AES-256-GCM over `data` in place (ciphertext has the plaintext's length) with additional authenticated
// data; returns the tag. Throws KeldraCryptoError(invalidIV) when the cipher cannot run.
Tag sealInPlace(const SymmetricKey& key, const Nonce& nonce, std::uint8_t* data, std::size_t size,
                std::string_view aad);

// AES-256-GCM fed in pieces: the same ciphertext and tag as sealInPlace over the whole, with each piece
// sealed while it is still in the processor's cache. One per writer; begin starts each sealed record.
class StreamingSeal {
public:
    explicit StreamingSeal(const SymmetricKey& key);
    ~StreamingSeal();
    StreamingSeal(const StreamingSeal&) = delete;
    StreamingSeal& operator=(const StreamingSeal&) = delete;

    void begin(const Nonce& nonce, std::string_view aad);
    void update(std::uint8_t* data, std::size_t size); // in place
    Tag finish();

private:
    ossl::CipherCtx context_;
};

// Opens in place; false on any failure (wrong key, altered byte, wrong additional data), and then the
// buffer holds nothing the caller may use.
bool openInPlace(const SymmetricKey& key, const std::uint8_t* nonce, std::uint8_t* data, std::size_t size,
                 const std::uint8_t* tag, std::string_view aad);

// Streaming HMAC-SHA256 of a file's plaintext under the checksum key.
class StreamingHmac {
public:
    explicit StreamingHmac(const SymmetricKey& key);
    ~StreamingHmac();
    StreamingHmac(const StreamingHmac&) = delete;
    StreamingHmac& operator=(const StreamingHmac&) = delete;

    void update(const std::uint8_t* data, std::size_t size);
    std::array<std::uint8_t, 32> finish();

private:
    ossl::MacCtx context_;
};

} // namespace keldra::LocalFormat
