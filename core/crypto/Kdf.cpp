#include "core/crypto/Kdf.h"

#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/OpenSslHandles.h"

#include <climits>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace keldra {

namespace {

[[noreturn]] void derivationFailed() {
    throw KeldraCryptoError(KeldraCryptoError::Kind::keyDerivationFailed, -1);
}

} // namespace

Bytes pbkdf2HmacSha256(std::string_view password, std::string_view salt, std::uint32_t iterations,
                       std::size_t length) {
    if (password.size() > INT_MAX || salt.size() > INT_MAX || iterations == 0 || iterations > INT_MAX ||
        length == 0 || length > INT_MAX) {
        derivationFailed();
    }
    Bytes out(length);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                          static_cast<int>(iterations), EVP_sha256(), static_cast<int>(out.size()),
                          out.data()) != 1) {
        derivationFailed();
    }
    return out;
}

Bytes hkdfSha256(const Bytes& inputKeyMaterial, std::string_view salt, std::string_view info,
                 std::size_t length) {
    const ossl::Kdf kdf(EVP_KDF_fetch(nullptr, OSSL_KDF_NAME_HKDF, nullptr));
    if (!kdf) {
        derivationFailed();
    }
    const ossl::KdfCtx ctx(EVP_KDF_CTX_new(kdf.get()));
    if (!ctx) {
        derivationFailed();
    }
    char digest[] = "SHA256";
    // OSSL_PARAM takes non-const pointers but only reads them for a derive.
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(
            OSSL_KDF_PARAM_KEY, const_cast<std::uint8_t*>(inputKeyMaterial.data()), inputKeyMaterial.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char*>(salt.data()), salt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, const_cast<char*>(info.data()), info.size()),
        OSSL_PARAM_construct_end(),
    };
    Bytes out(length);
    if (EVP_KDF_derive(ctx.get(), out.data(), out.size(), params) != 1) {
        derivationFailed();
    }
    return out;
}

} // namespace keldra
