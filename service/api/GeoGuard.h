#pragma once

#include "core/seams/CancelToken.h"
#include "service/types/GeoRuleInfo.h"

#include <optional>
#include <set>
#include <string>

namespace keldra {

class PortalSession;

// The client-side country rule and the lookup of the connection's country.
namespace GeoGuard {

// Only Destroy rules are enforced here; anything else is `off`.
struct Rule {
    enum class Kind { block, allowOnly, off };

    Kind kind = Kind::off;
    std::set<std::string> codes; // upper-case two-letter region codes

    static Rule block(std::set<std::string> codes) { return {Kind::block, std::move(codes)}; }
    static Rule allowOnly(std::set<std::string> codes) { return {Kind::allowOnly, std::move(codes)}; }
    static Rule off() { return {}; }

    // Whether connecting from `code` would fire the rule.
    bool refuses(const std::string& code) const;

    bool operator==(const Rule&) const = default;
};

Rule ruleFrom(const std::optional<GeoRuleInfo>& info);

// The country of the connection's public address from the portal's trace ("loc=" line), upper-cased;
// nothing on any failure. Sends no token and passes no rate limiter.
std::optional<std::string> fetchCountry(PortalSession& session, const CancelToken& cancel = {});

// The country code of a trace body, or nothing when it has no usable "loc=" line.
std::optional<std::string> countryFromTrace(const std::string& body);

} // namespace GeoGuard

} // namespace keldra
