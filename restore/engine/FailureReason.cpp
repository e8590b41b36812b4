#include "core/crypto/KeldraCryptoError.h"
#include "core/fs/StoredCopyFault.h"
#include "restore/engine/RestoreEngine.h"
#include "service/api/KeldraAPIError.h"

namespace keldra {
namespace {

const std::string damagedReason = "Couldn't decrypt: the file is damaged or was encrypted with a different "
                                  "key. Nothing was written.";
const std::string incompleteReason = "The copy on the drive is incomplete. Nothing was written.";

} // namespace

std::string RestoreEngine::failureReason(const std::exception& error) {
    if (const auto* crypto = dynamic_cast<const KeldraCryptoError*>(&error);
        crypto != nullptr && crypto->kind() == KeldraCryptoError::Kind::decryptionFailed) {
        return damagedReason;
    }
    if (const auto* copy = dynamic_cast<const StoredCopyFaultSource*>(&error)) {
        switch (copy->storedCopyFault()) {
        case StoredCopyFault::damaged:
            return damagedReason;
        case StoredCopyFault::incomplete:
            return incompleteReason;
        case StoredCopyFault::none:
            break;
        }
    }
    if (const auto* api = dynamic_cast<const KeldraAPIError*>(&error);
        api != nullptr && api->kind() == KeldraAPIError::Kind::notFound) {
        return "No longer in your Keldra.";
    }
    return errorText(error);
}

std::string RestoreEngine::failureReason(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return failureReason(caught);
    } catch (...) {
        return "The file couldn't be restored.";
    }
}

} // namespace keldra
