#pragma once

#include "core/Bytes.h"

#include <cstdint>
#include <string>

namespace keldra::localportal {

// Signs and checks presigned storage links: HMAC-SHA256 over the method, object key, expiry and (for
// uploads) the content type, so a link cannot be reused for another object, method or type, or after it ran
// out.
class UrlSigner {
public:
    explicit UrlSigner(Bytes key) : key_(std::move(key)) {}

    std::string sign(const std::string& method, const std::string& objectKey, std::int64_t expires,
                     const std::string& contentType) const;
    bool verify(const std::string& method, const std::string& objectKey, std::int64_t expires,
                const std::string& contentType, const std::string& signature) const;

private:
    Bytes key_;
};

} // namespace keldra::localportal
