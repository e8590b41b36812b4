#pragma once

#include "service/types/FlexBool.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keldra {

// The account's country rule as the portal reports it.
struct GeoRuleInfo {
    std::optional<FlexBool> enabled;
    std::optional<std::string> action;
    std::optional<std::vector<std::string>> blockedCountries;
    std::optional<std::vector<std::string>> countries;
    std::optional<std::vector<std::string>> allowedCountries;

    static GeoRuleInfo fromJson(const nlohmann::json& value);
    bool operator==(const GeoRuleInfo&) const = default;

    // The upper-cased codes of the first list when it is present (even empty), else of the second.
    static std::set<std::string> codeSet(const std::optional<std::vector<std::string>>& first,
                                         const std::optional<std::vector<std::string>>& second);
    // The upper-cased codes of the list; an absent list gives the empty set.
    static std::set<std::string> allowedCodeSet(const std::optional<std::vector<std::string>>& list);
};

} // namespace keldra
