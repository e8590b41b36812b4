#include "drive/format/FormatCrypto.h"

#include "core/crypto/KeldraCryptoError.h"

#include <climits>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/rand.h>

namespace keldra::LocalFormat {
namespace {

constexpr std::string_view contentSalt = "tarnwicke-strata-local-v2";
constexpr std::string_view contentInfo = "content";

// OpenSSL failing on valid input is not something a caller can fix; it surfaces as the key's own errors.
[[noreturn]] void cipherFailed() {
    throw KeldraCryptoError(KeldraCryptoError::Kind::invalidIV);
}
[[noreturn]] void derivationFailed() {
    throw KeldraCryptoError(KeldraCryptoError::Kind::keyDerivationFailed, 0);
}

// GCM lengths go through int; the format's chunks are far below that, but a caller's size is checked
// rather than silently narrowed.
bool fitsInt(std::size_t size) {
    return size <= static_cast<std::size_t>(INT_MAX);
}

} // namespace

SymmetricKey contentKey(const KeldraKey& key) {
    ossl::Kdf kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    if (!kdf) {
        derivationFailed();
    }
    ossl::KdfCtx context(EVP_KDF_CTX_new(kdf.get()));
    if (!context) {
        derivationFailed();
    }
    const auto& ikm = key.symmetricKey();
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, const_cast<std::uint8_t*>(ikm.data()),
                                          ikm.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char*>(contentSalt.data()),
                                          contentSalt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, const_cast<char*>(contentInfo.data()),
                                          contentInfo.size()),
        OSSL_PARAM_construct_end(),
    };
    SymmetricKey out{};
    if (EVP_KDF_derive(context.get(), out.data(), out.size(), params) != 1) {
        derivationFailed();
    }
    return out;
}

Nonce randomNonce() {
    Nonce nonce{};
    if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1) {
        cipherFailed();
    }
    return nonce;
}

Tag sealInPlace(const SymmetricKey& key, const Nonce& nonce, std::uint8_t* data, std::size_t size,
                std::string_view aad) {
    if (!fitsInt(size) || !fitsInt(aad.size())) {
        cipherFailed();
    }
    ossl::CipherCtx context(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!context ||
        EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce.data()) != 1 ||
        EVP_EncryptUpdate(context.get(), nullptr, &length, reinterpret_cast<const std::uint8_t*>(aad.data()),
                          static_cast<int>(aad.size())) != 1) {
        cipherFailed();
    }
    if (size > 0 && EVP_EncryptUpdate(context.get(), data, &length, data, static_cast<int>(size)) != 1) {
        cipherFailed();
    }
    Tag tag{};
    if (EVP_EncryptFinal_ex(context.get(), data + size, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(tag.size()), tag.data()) !=
            1) {
        cipherFailed();
    }
    return tag;
}

StreamingSeal::StreamingSeal(const SymmetricKey& key) : context_(EVP_CIPHER_CTX_new()) {
    if (!context_ ||
        EVP_EncryptInit_ex(context_.get(), EVP_aes_256_gcm(), nullptr, key.data(), nullptr) != 1) {
        cipherFailed();
    }
}

StreamingSeal::~StreamingSeal() = default;

void StreamingSeal::begin(const Nonce& nonce, std::string_view aad) {
    int length = 0;
    if (!fitsInt(aad.size()) ||
        EVP_EncryptInit_ex(context_.get(), nullptr, nullptr, nullptr, nonce.data()) != 1 ||
        EVP_EncryptUpdate(context_.get(), nullptr, &length, reinterpret_cast<const std::uint8_t*>(aad.data()),
                          static_cast<int>(aad.size())) != 1) {
        cipherFailed();
    }
}

void StreamingSeal::update(std::uint8_t* data, std::size_t size) {
    int length = 0;
    if (size > 0 && (!fitsInt(size) ||
                     EVP_EncryptUpdate(context_.get(), data, &length, data, static_cast<int>(size)) != 1)) {
        cipherFailed();
    }
}

Tag StreamingSeal::finish() {
    Tag tag{};
    std::uint8_t unused[16];
    int length = 0;
    if (EVP_EncryptFinal_ex(context_.get(), unused, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(context_.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(tag.size()), tag.data()) !=
            1) {
        cipherFailed();
    }
    return tag;
}

bool openInPlace(const SymmetricKey& key, const std::uint8_t* nonce, std::uint8_t* data, std::size_t size,
                 const std::uint8_t* tag, std::string_view aad) {
    if (!fitsInt(size) || !fitsInt(aad.size())) {
        return false;
    }
    ossl::CipherCtx context(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
        EVP_DecryptUpdate(context.get(), nullptr, &length, reinterpret_cast<const std::uint8_t*>(aad.data()),
                          static_cast<int>(aad.size())) != 1) {
        return false;
    }
    if (size > 0 && EVP_DecryptUpdate(context.get(), data, &length, data, static_cast<int>(size)) != 1) {
        return false;
    }
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagSize),
                            const_cast<std::uint8_t*>(tag)) != 1) {
        return false;
    }
    return EVP_DecryptFinal_ex(context.get(), data + size, &length) == 1;
}

StreamingHmac::StreamingHmac(const SymmetricKey& key) {
    EVP_MAC* const mac = ossl::hmac();
    if (!mac) {
        cipherFailed();
    }
    context_.reset(EVP_MAC_CTX_new(mac));
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    if (!context_ || EVP_MAC_init(context_.get(), key.data(), key.size(), params) != 1) {
        cipherFailed();
    }
}

StreamingHmac::~StreamingHmac() = default;

void StreamingHmac::update(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && EVP_MAC_update(context_.get(), data, size) != 1) {
        cipherFailed();
    }
}

std::array<std::uint8_t, 32> StreamingHmac::finish() {
    std::array<std::uint8_t, 32> out{};
    std::size_t length = 0;
    if (EVP_MAC_final(context_.get(), out.data(), &length, out.size()) != 1 || length != out.size()) {
        cipherFailed();
    }
    return out;
}

} // namespace keldra::LocalFormat
