#include "service/types/AccountInfo.h"
#include "service/types/GeoRuleInfo.h"
#include "service/types/JsonFields.h"
#include "service/types/KeldraStatus.h"

#include <algorithm>
#include <cctype>

namespace keldra {

namespace jf = json_fields;
using Json = nlohmann::json;

namespace {

std::set<std::string> upperCased(const std::vector<std::string>& codes) {
    std::set<std::string> out;
    for (std::string code : codes) {
        std::transform(code.begin(), code.end(), code.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        out.insert(std::move(code));
    }
    return out;
}

// The rule at "geo_rule": reported when null (cleared) or readable; unreadable says nothing.
void readGeoRule(const Json* value, bool& reported, std::optional<GeoRuleInfo>& rule) {
    reported = false;
    rule.reset();
    if (value == nullptr) {
        return;
    }
    if (value->is_null()) {
        reported = true;
        return;
    }
    if (!value->is_object() && !value->is_array()) {
        return;
    }
    try {
        rule = GeoRuleInfo::fromJson(*value);
        reported = true;
    } catch (const DecodingError&) {
        rule.reset();
    }
}

const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

} // namespace

GeoRuleInfo GeoRuleInfo::fromJson(const Json& v) {
    jf::requireObject(v, "GeoRuleInfo");
    GeoRuleInfo g;
    g.enabled = jf::optional<FlexBool>(v, "enabled");
    g.action = jf::optional<std::string>(v, "action");
    g.blockedCountries = jf::optional<std::vector<std::string>>(v, "blocked_countries");
    g.countries = jf::optional<std::vector<std::string>>(v, "countries");
    g.allowedCountries = jf::optional<std::vector<std::string>>(v, "allowed_countries");
    return g;
}

std::set<std::string> GeoRuleInfo::codeSet(const std::optional<std::vector<std::string>>& first,
                                           const std::optional<std::vector<std::string>>& second) {
    if (first) {
        return upperCased(*first);
    }
    if (second) {
        return upperCased(*second);
    }
    return {};
}

std::set<std::string> GeoRuleInfo::allowedCodeSet(const std::optional<std::vector<std::string>>& list) {
    return list ? upperCased(*list) : std::set<std::string>{};
}

KeldraStatus KeldraStatus::fromJson(const Json& v) {
    jf::requireObject(v, "KeldraStatus");
    KeldraStatus s;
    // A required FlexInt reads null as 0, so the lenient decoder runs on whatever is present.
    const Json* used = jf::find(v, "used_bytes");
    if (used == nullptr) {
        throw DecodingError("Missing key used_bytes");
    }
    s.usedBytes = FlexInt::fromJson(*used);
    const Json* quota = jf::find(v, "quota_bytes");
    if (quota == nullptr) {
        throw DecodingError("Missing key quota_bytes");
    }
    s.quotaBytes = FlexInt::fromJson(*quota);
    s.fileCount = jf::tolerant<FlexInt>(v, "file_count");
    s.folderCount = jf::tolerant<FlexInt>(v, "folder_count");
    s.maxFileSizeMb = jf::tolerant<FlexInt>(v, "max_file_size_mb");
    s.deadManSwitch = jf::tolerant<DeadManSwitchInfo>(v, "dead_man_switch");
    readGeoRule(jf::find(v, "geo_rule"), s.geoRuleReported, s.geoRule);
    return s;
}

AccountInfo AccountInfo::parse(const Json& top) {
    AccountInfo info;
    const Json empty = Json::object();
    const Json& root = top.is_object() ? top : empty;

    const Json* source = &root;
    for (const char* key : {"data", "user", "account"}) {
        if (const Json* candidate = member(root, key); candidate != nullptr && candidate->is_object()) {
            source = candidate;
            break;
        }
    }

    if (const Json* email = member(*source, "email"); email && email->is_string()) {
        info.email = email->get<std::string>();
    }
    if (const Json* name = member(*source, "name"); name && name->is_string()) {
        info.name = name->get<std::string>();
    }
    if (const Json* plan = member(*source, "plan")) {
        if (plan->is_object()) {
            if (const Json* planName = member(*plan, "name"); planName && planName->is_string()) {
                info.planName = planName->get<std::string>();
            }
        } else if (plan->is_string()) {
            info.planName = plan->get<std::string>();
        }
    }
    if (const Json* twoFactor = member(*source, "two_factor_enabled")) {
        if (twoFactor->is_boolean()) {
            info.twoFactorEnabled = twoFactor->get<bool>();
        } else if (twoFactor->is_number_unsigned()) {
            info.twoFactorEnabled = twoFactor->get<std::uint64_t>() != 0;
        } else if (twoFactor->is_number_integer()) {
            info.twoFactorEnabled = twoFactor->get<std::int64_t>() != 0;
        }
    }

    const Json* geo = member(*source, "geo_rule");
    if (geo == nullptr) {
        geo = member(root, "geo_rule");
    }
    readGeoRule(geo, info.geoRuleReported, info.geoRule);
    return info;
}

} // namespace keldra
