#include "core/Error.h"
#include "restore/engine/WithRetry.h"
#include "service/api/KeldraAPIError.h"
#include "service/storage/StorageError.h"

#include <cctype>
#include <system_error>

namespace keldra {

bool isRetryableError(const std::exception& error) {
    if (const auto* api = dynamic_cast<const KeldraAPIError*>(&error)) {
        switch (api->kind()) {
        case KeldraAPIError::Kind::rateLimited:
        case KeldraAPIError::Kind::transport:
            return true;
        case KeldraAPIError::Kind::server:
            return api->status() >= 500;
        default:
            return false;
        }
    }
    if (const auto* storage = dynamic_cast<const StorageError*>(&error)) {
        switch (storage->kind()) {
        case StorageError::Kind::transport:
            return true;
        case StorageError::Kind::http:
            return storage->status() > 499 || storage->status() == 408;
        default:
            return false;
        }
    }
    return false;
}

std::string errorText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error)) {
        return own->message();
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        // The system's own wording ("No space left on device"), as a sentence.
        std::string text = system->code().message();
        if (!text.empty()) {
            text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
            if (!text.ends_with('.')) {
                text += '.';
            }
            return text;
        }
    }
    return error.what();
}

} // namespace keldra
