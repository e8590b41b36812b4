#include "core/crypto/KeldraKey.h"

#include "core/codec/Base64.h"
#include "core/crypto/Kdf.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/OpenSslHandles.h"

#include <algorithm>
#include <cstring>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace keldra {

namespace {

constexpr std::string_view keySalt = "tarnwicke-strata-v1";
constexpr std::uint32_t keyRounds = 100000;
constexpr std::string_view checksumSalt = "tarnwicke-strata-checksum-v1";
constexpr std::string_view checksumInfo = "file-hmac";
constexpr std::string_view verifierText = "cairn-ok-v1";

constexpr std::size_t ivLength = 12;
constexpr std::size_t tagLength = 16;
[[noreturn]] void fail(KeldraCryptoError::Kind kind) {
    throw KeldraCryptoError(kind);
}

// The cipher writes into a small buffer that stays in cache and is appended to the result: this saves the
// extra pass over the whole output that zero-filling a sized vector would cost on large files.
constexpr std::size_t chunkLength = 64 * 1024;

// Appends the cipher's output for [in, in + size) to out (whose capacity is reserved); false on any
// OpenSSL failure.
bool cipherAppend(EVP_CIPHER_CTX* ctx, const std::uint8_t* in, std::size_t size, Bytes& out) {
    std::uint8_t chunk[chunkLength];
    bool ok = true;
    for (std::size_t done = 0; ok && done < size;) {
        const std::size_t piece = std::min(size - done, chunkLength);
        int written = 0;
        ok = EVP_CipherUpdate(ctx, chunk, &written, in + done, static_cast<int>(piece)) == 1 &&
             static_cast<std::size_t>(written) == piece;
        if (ok) {
            out.insert(out.end(), chunk, chunk + piece);
            done += piece;
        }
    }
    if (!ok) {
        // What a failed open leaves behind is unauthenticated plaintext; it goes nowhere.
        OPENSSL_cleanse(chunk, std::min(size, chunkLength));
    }
    return ok;
}

} // namespace

KeldraKey KeldraKey::derive(std::string_view passphrase) {
    if (passphrase.empty()) {
        fail(KeldraCryptoError::Kind::emptyPassphrase);
    }
    const Bytes derived = pbkdf2HmacSha256(passphrase, keySalt, keyRounds, SymmetricKey{}.size());
    SymmetricKey key{};
    std::copy(derived.begin(), derived.end(), key.begin());
    return KeldraKey(key);
}

std::optional<KeldraKey> KeldraKey::fromBytes(const std::uint8_t* data, std::size_t size) {
    SymmetricKey key{};
    if (size != key.size() || data == nullptr) {
        return std::nullopt;
    }
    std::memcpy(key.data(), data, key.size());
    return KeldraKey(key);
}

std::pair<Bytes, Bytes> KeldraKey::seal(const std::uint8_t* plaintext, std::size_t size,
                                        const std::optional<Bytes>& iv) const {
    Bytes nonce;
    if (iv) {
        if (iv->size() != ivLength) {
            fail(KeldraCryptoError::Kind::invalidIV);
        }
        nonce = *iv;
    } else {
        nonce.resize(ivLength);
        // Without a fresh random nonce there is no safe seal; this is the one error a seal reports.
        if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1) {
            fail(KeldraCryptoError::Kind::invalidIV);
        }
    }

    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    Bytes sealed;
    sealed.reserve(size + tagLength);
    std::uint8_t tag[tagLength];
    int finalLength = 0;
    if (!ctx ||
        EVP_EncryptInit_ex2(ctx.get(), ossl::aes256Gcm(), symmetricKey_.data(), nonce.data(), nullptr) != 1 ||
        !cipherAppend(ctx.get(), plaintext, size, sealed) ||
        EVP_EncryptFinal_ex(ctx.get(), tag, &finalLength) != 1 || finalLength != 0 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(tagLength), tag) != 1) {
        fail(KeldraCryptoError::Kind::invalidIV);
    }
    sealed.insert(sealed.end(), tag, tag + tagLength);
    return {std::move(nonce), std::move(sealed)};
}

Bytes KeldraKey::open(const std::uint8_t* sealed, std::size_t size, const Bytes& iv) const {
    if (iv.size() != ivLength) {
        fail(KeldraCryptoError::Kind::invalidIV);
    }
    if (size < tagLength || sealed == nullptr) {
        fail(KeldraCryptoError::Kind::decryptionFailed);
    }
    const std::size_t cipherLength = size - tagLength;
    std::uint8_t tag[tagLength];
    std::memcpy(tag, sealed + cipherLength, tagLength);

    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    Bytes plaintext;
    plaintext.reserve(cipherLength);
    std::uint8_t none[tagLength];
    int finalLength = 0;
    if (!ctx ||
        EVP_DecryptInit_ex2(ctx.get(), ossl::aes256Gcm(), symmetricKey_.data(), iv.data(), nullptr) != 1 ||
        !cipherAppend(ctx.get(), sealed, cipherLength, plaintext) ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagLength), tag) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), none, &finalLength) != 1 || finalLength != 0) {
        // Nothing of an unauthenticated plaintext may leave this function.
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        fail(KeldraCryptoError::Kind::decryptionFailed);
    }
    return plaintext;
}

Bytes KeldraKey::openInPlace(Bytes sealed, const Bytes& iv) const {
    if (iv.size() != ivLength) {
        fail(KeldraCryptoError::Kind::invalidIV);
    }
    if (sealed.size() < tagLength) {
        fail(KeldraCryptoError::Kind::decryptionFailed);
    }
    const std::size_t cipherLength = sealed.size() - tagLength;
    std::uint8_t tag[tagLength];
    std::memcpy(tag, sealed.data() + cipherLength, tagLength);

    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    bool ok = ctx && EVP_DecryptInit_ex2(ctx.get(), ossl::aes256Gcm(), symmetricKey_.data(), iv.data(),
                                         nullptr) == 1;
    // GCM may write its output over its input; pieces keep each call's length within an int.
    for (std::size_t done = 0; ok && done < cipherLength;) {
        const std::size_t piece = std::min(cipherLength - done, std::size_t{1} << 30);
        int written = 0;
        std::uint8_t* at = sealed.data() + done;
        ok = EVP_DecryptUpdate(ctx.get(), at, &written, at, static_cast<int>(piece)) == 1 &&
             static_cast<std::size_t>(written) == piece;
        done += piece;
    }
    std::uint8_t none[tagLength];
    int finalLength = 0;
    if (!ok || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagLength), tag) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), none, &finalLength) != 1 || finalLength != 0) {
        // Nothing of an unauthenticated plaintext may leave this function.
        OPENSSL_cleanse(sealed.data(), sealed.size());
        fail(KeldraCryptoError::Kind::decryptionFailed);
    }
    sealed.resize(cipherLength);
    return sealed;
}

std::string KeldraKey::sealName(std::string_view name, const std::optional<Bytes>& iv) const {
    const auto [nonce, sealed] = seal(reinterpret_cast<const std::uint8_t*>(name.data()), name.size(), iv);
    return base64Encode(nonce) + "." + base64Encode(sealed);
}

bool KeldraKey::isSealedName(std::string_view text) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos || text.find('.', dot + 1) != std::string_view::npos) {
        return false;
    }
    const std::string_view first = text.substr(0, dot);
    const std::string_view second = text.substr(dot + 1);
    return first.size() == 16 && base64Decode(first).has_value() && base64Decode(second).has_value();
}

bool KeldraKey::checkVerifier(std::string_view verifierBase64, std::string_view ivBase64) const {
    const auto sealed = base64Decode(verifierBase64);
    const auto iv = base64Decode(ivBase64);
    if (!sealed || !iv) {
        return false;
    }
    try {
        const Bytes plaintext = open(*sealed, *iv);
        return plaintext.size() == verifierText.size() &&
               std::equal(plaintext.begin(), plaintext.end(), verifierText.begin(),
                          [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    } catch (const KeldraCryptoError&) {
        return false;
    }
}

SymmetricKey KeldraKey::checksumKey() const {
    const Bytes ikm(symmetricKey_.begin(), symmetricKey_.end());
    const Bytes derived = hkdfSha256(ikm, checksumSalt, checksumInfo, SymmetricKey{}.size());
    SymmetricKey key{};
    std::copy(derived.begin(), derived.end(), key.begin());
    return key;
}

} // namespace keldra
