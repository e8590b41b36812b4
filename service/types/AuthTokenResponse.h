#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// Answer of the sign-in call.
struct AuthTokenResponse {
    std::string token;
    std::optional<std::string> expiresAt;
    std::optional<std::string> tokenType;

    static AuthTokenResponse fromJson(const nlohmann::json& value);
    bool operator==(const AuthTokenResponse&) const = default;
};

// Answer of the token refresh call.
struct RefreshResponse {
    std::optional<std::string> token;
    std::optional<std::string> expiresAt;

    static RefreshResponse fromJson(const nlohmann::json& value);
    bool operator==(const RefreshResponse&) const = default;
};

} // namespace keldra
