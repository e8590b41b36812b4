#pragma once

#include "service/types/GeoRuleInfo.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// The signed-in account. Read by hand from whichever of "data", "user" or "account" holds it.
struct AccountInfo {
    std::optional<std::string> email;
    std::optional<std::string> name;
    std::optional<std::string> planName;
    std::optional<bool> twoFactorEnabled;
    bool geoRuleReported = false;
    std::optional<GeoRuleInfo> geoRule;

    // Never fails: missing or malformed pieces stay empty. `top` is the whole answer.
    static AccountInfo parse(const nlohmann::json& top);
    bool operator==(const AccountInfo&) const = default;
};

} // namespace keldra
