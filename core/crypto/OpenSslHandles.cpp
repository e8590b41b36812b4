#include "core/crypto/OpenSslHandles.h"

#include <openssl/core_names.h>

namespace keldra::ossl {

const EVP_CIPHER* aes256Gcm() {
    // A failed fetch (no default provider) leaves nullptr, which every init call rejects.
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

EVP_MAC* hmac() {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
    return mac;
}

} // namespace keldra::ossl
