#include "core/crypto/KeldraCryptoError.h"

namespace keldra {

std::string KeldraCryptoError::message() const {
    switch (kind_) {
    case Kind::keyDerivationFailed:
        return "Couldn't derive the Keldra key (" + std::to_string(status_) + ").";
    case Kind::emptyPassphrase:
        return "Enter your Keldra passphrase.";
    case Kind::invalidBase64:
        return "The encrypted data isn't valid base64.";
    case Kind::invalidSealedName:
        return "The encrypted name isn't in the expected format.";
    case Kind::invalidIV:
        return "The encryption IV isn't 12 bytes.";
    case Kind::decryptionFailed:
        return "Couldn't decrypt: the data is damaged or the key is wrong.";
    case Kind::invalidUTF8:
        return "The decrypted name isn't valid text.";
    }
    return "Couldn't decrypt: the data is damaged or the key is wrong.";
}

} // namespace keldra
