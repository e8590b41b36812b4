#include "localportal/UrlSigner.h"

#include "core/codec/Hex.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <stdexcept>

namespace keldra::localportal {

std::string UrlSigner::sign(const std::string& method, const std::string& objectKey, std::int64_t expires,
                            const std::string& contentType) const {
    const std::string message =
        method + "\n" + objectKey + "\n" + std::to_string(expires) + "\n" + contentType;
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key_.data(), static_cast<int>(key_.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), out, &length)) {
        throw std::runtime_error("HMAC failed");
    }
    return hexEncode(out, length);
}

bool UrlSigner::verify(const std::string& method, const std::string& objectKey, std::int64_t expires,
                       const std::string& contentType, const std::string& signature) const {
    const std::string expected = sign(method, objectKey, expires, contentType);
    return signature.size() == expected.size() &&
           CRYPTO_memcmp(signature.data(), expected.data(), expected.size()) == 0;
}

} // namespace keldra::localportal
