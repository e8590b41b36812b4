#pragma once

#include "core/Error.h"

#include <cstdint>
#include <string>

namespace keldra {

class KeldraCryptoError final : public Error {
public:
    enum class Kind {
        keyDerivationFailed,
        emptyPassphrase,
        invalidBase64,
        invalidSealedName,
        invalidIV,
        decryptionFailed,
        invalidUTF8,
    };

    explicit KeldraCryptoError(Kind kind, std::int32_t status = 0) : kind_(kind), status_(status) {}

    Kind kind() const { return kind_; }
    // The key-derivation call's status, for keyDerivationFailed.
    std::int32_t status() const { return status_; }
    std::string message() const override;

    friend bool operator==(const KeldraCryptoError& a, const KeldraCryptoError& b) {
        return a.kind_ == b.kind_ && a.status_ == b.status_;
    }

private:
    Kind kind_;
    std::int32_t status_;
};

} // namespace keldra
