#include "service/api/GeoGuard.h"

#include "service/api/PortalSession.h"
#include "core/text/Utf8Text.h"

#include <algorithm>
#include <cctype>

namespace keldra::GeoGuard {

bool Rule::refuses(const std::string& code) const {
    switch (kind) {
    case Kind::block:
        return codes.contains(code);
    case Kind::allowOnly:
        return !codes.contains(code);
    case Kind::off:
        return false;
    }
    return false;
}

Rule ruleFrom(const std::optional<GeoRuleInfo>& info) {
    if (!info) {
        return Rule::off();
    }
    if (info->enabled && !info->enabled->value) {
        return Rule::off();
    }
    std::string action = info->action.value_or("");
    std::transform(action.begin(), action.end(), action.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (action != "destroy") {
        return Rule::off();
    }
    if (auto allowed = GeoRuleInfo::allowedCodeSet(info->allowedCountries); !allowed.empty()) {
        return Rule::allowOnly(std::move(allowed));
    }
    if (auto blocked = GeoRuleInfo::codeSet(info->blockedCountries, info->countries); !blocked.empty()) {
        return Rule::block(std::move(blocked));
    }
    return Rule::off();
}

std::optional<std::string> countryFromTrace(const std::string& body) {
    const std::string text = toDisplayUtf8(body);
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find('\n', start);
        const std::string_view line =
            std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.starts_with("loc=")) {
            const std::string_view rest = line.substr(4);
            if (characterCount(rest) != 2) {
                return std::nullopt;
            }
            std::string code(rest);
            std::transform(code.begin(), code.end(), code.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            return code;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> fetchCountry(PortalSession& session, const CancelToken& cancel) {
    PortalSession::Request request;
    request.method = "GET";
    request.path = "/cdn-cgi/trace";
    request.idleTimeoutSeconds = 10;
    try {
        const HTTPResponse response = session.send(request, cancel);
        if (response.status != 200) {
            return std::nullopt;
        }
        return countryFromTrace(std::string(response.body.begin(), response.body.end()));
    } catch (const TransferError&) {
        return std::nullopt;
    }
}

} // namespace keldra::GeoGuard
