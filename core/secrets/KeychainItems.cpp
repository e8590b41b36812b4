#include "core/secrets/KeychainItems.h"

namespace keldra {

std::string keldraKeyAccount(std::string_view scopeKey) {
    std::string account(keldraKeyAccountPrefix);
    account += scopeKey;
    return account;
}

std::optional<KeldraKey> loadKeldraKey(SecretStore& store, std::string_view scopeKey) {
    const auto data = store.read(keldraKeyAccount(scopeKey));
    if (!data) {
        return std::nullopt;
    }
    return KeldraKey::fromBytes(*data);
}

} // namespace keldra
