#pragma once

#include "service/types/DeadManSwitchInfo.h"
#include "service/types/FlexInt.h"
#include "service/types/GeoRuleInfo.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace keldra {

// Answer of the storage status call. Its optional members never fail the status: an unreadable one
// is simply absent.
struct KeldraStatus {
    FlexInt usedBytes;  // null counts as 0
    FlexInt quotaBytes; // null counts as 0
    std::optional<FlexInt> fileCount;
    std::optional<FlexInt> folderCount;
    std::optional<FlexInt> maxFileSizeMb; // the plan's per-file limit in MiB
    std::optional<DeadManSwitchInfo> deadManSwitch;
    std::optional<GeoRuleInfo> geoRule;
    // True when the answer said something about the country rule: "geo_rule" was present and either
    // null (the rule was removed) or readable. Only then does a caller replace its stored rule.
    bool geoRuleReported = false;

    static KeldraStatus fromJson(const nlohmann::json& value);
    bool operator==(const KeldraStatus&) const = default;
};

} // namespace keldra
