#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/secrets/SecretStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// Every item of the secret store belongs to this service (the application's identifier).
inline constexpr std::string_view secretService = "org.orlivane.keldra";

// The signed-in portal session (a StoredSession as JSON).
inline constexpr std::string_view sessionAccount = "portal-session";
inline constexpr std::string_view sessionLabel = "Orlivane Keldra sign-in";

// The 32 raw key bytes for unattended backups, one item per account.
inline constexpr std::string_view keldraKeyAccountPrefix = "keldra-key.";
inline constexpr std::string_view keldraKeyLabel = "Orlivane Keldra key (unattended backups)";

// "keldra-key." followed by the account scope key.
std::string keldraKeyAccount(std::string_view scopeKey);

// The stored key of the account when its item holds exactly 32 bytes; any other length, or no item, gives
// none (the app then starts locked).
std::optional<KeldraKey> loadKeldraKey(SecretStore& store, std::string_view scopeKey);

} // namespace keldra
