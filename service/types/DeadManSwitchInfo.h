#pragma once

#include "service/types/FlexBool.h"
#include "service/types/FlexInt.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// The account's inactivity rule.
struct DeadManSwitchInfo {
    std::optional<FlexBool> enabled;
    std::optional<std::string> action;
    std::optional<FlexInt> days;
    std::optional<FlexInt> daysRemaining;

    static DeadManSwitchInfo fromJson(const nlohmann::json& value);
    bool operator==(const DeadManSwitchInfo&) const = default;
};

} // namespace keldra
