#pragma once

#include <memory>
#include <openssl/evp.h>
#include <openssl/kdf.h>

namespace keldra::ossl {

// Owners for the OpenSSL objects this folder uses, so no early return can leak a context.
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
struct MacCtxFree {
    void operator()(EVP_MAC_CTX* ctx) const { EVP_MAC_CTX_free(ctx); }
};
struct KdfCtxFree {
    void operator()(EVP_KDF_CTX* ctx) const { EVP_KDF_CTX_free(ctx); }
};
struct KdfFree {
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
};

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;
using MacCtx = std::unique_ptr<EVP_MAC_CTX, MacCtxFree>;
using KdfCtx = std::unique_ptr<EVP_KDF_CTX, KdfCtxFree>;
using Kdf = std::unique_ptr<EVP_KDF, KdfFree>;

// Fetched once per process and never changed afterwards: an explicit fetch spares OpenSSL the implicit
// provider lookup it would otherwise repeat on every seal, open and checksum.
const EVP_CIPHER* aes256Gcm();
EVP_MAC* hmac();

} // namespace keldra::ossl
