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
        // The clock counts nanoseconds in 64 bits (about 292 years either side of 1970); a damaged value
        // beyond that must not overflow the conversion.
        const double seconds = expiresAt->get<double>();
        if (!std::isfinite(seconds) || std::abs(seconds) > 9.0e9) {
            return std::nullopt;
        }
        session.expiresAt = fromReferenceSeconds(seconds);
    }
    return session;
}

} // namespace keldra
