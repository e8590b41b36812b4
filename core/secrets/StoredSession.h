#pragma once

#include "core/Bytes.h"
#include "core/seams/Clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// The signed-in portal session, kept in the secret store under "portal-session".
struct StoredSession {
    std::string token;
    std::optional<SystemTime> expiresAt;
    std::string email;

    friend bool operator==(const StoredSession&, const StoredSession&) = default;
};

// JSON with the keys in the order token, expiresAt, email; expiresAt is seconds since 2001-01-01 UTC and
// is left out when absent.
std::string encodeStoredSession(const StoredSession& session);

// None when the text is not a JSON object, when token or email is missing or not text, or when expiresAt
// is present but not a number. A null expiresAt counts as absent.
std::optional<StoredSession> decodeStoredSession(std::string_view json);
inline std::optional<StoredSession> decodeStoredSession(const Bytes& json) {
    return decodeStoredSession(std::string_view(reinterpret_cast<const char*>(json.data()), json.size()));
}

} // namespace keldra
