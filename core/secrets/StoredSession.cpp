#include "core/secrets/StoredSession.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace keldra {

std::string encodeStoredSession(const StoredSession& session) {
    // ordered_json keeps the field order; a plain json object would sort its keys.
    nlohmann::ordered_json json;
    json["token"] = session.token;
    if (session.expiresAt) {
        json["expiresAt"] = toReferenceSeconds(*session.expiresAt);
    }
    json["email"] = session.email;
    return json.dump();
}

std::optional<StoredSession> decodeStoredSession(std::string_view text) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto token = json.find("token");
    const auto email = json.find("email");
    if (token == json.end() || !token->is_string() || email == json.end() || !email->is_string()) {
        return std::nullopt;
    }
    StoredSession session;
    session.token = token->get<std::string>();
    session.email = email->get<std::string>();
    if (const auto expiresAt = json.find("expiresAt"); expiresAt != json.end() && !expiresAt->is_null()) {
        if (!expiresAt->is_number()) {
            return std::nullopt;
        }
        const std::optional<SystemTime> expires = checkedFromReferenceSeconds(expiresAt->get<double>());
        if (!expires) {
            return std::nullopt;
        }
        session.expiresAt = *expires;
    }
    return session;
}

} // namespace keldra
