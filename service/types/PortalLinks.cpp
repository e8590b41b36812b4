#include "service/types/PortalLinks.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>

namespace keldra {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The host of an "http://" URL's authority, brackets of an IPv6 literal removed.
std::string hostOf(std::string_view authorityAndRest) {
    std::string_view authority = authorityAndRest.substr(0, authorityAndRest.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        return close == std::string_view::npos ? std::string() : std::string(authority.substr(1, close - 1));
    }
    return std::string(authority.substr(0, authority.find(':')));
}

bool isLoopbackHost(const std::string& host) {
    if (lowered(host) == "localhost") {
        return true;
    }
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        return IN6_IS_ADDR_LOOPBACK(&v6);
    }
    return false;
}

} // namespace

std::string resolvePortalBaseURL(const char* overrideValue) {
    std::string url = overrideValue != nullptr ? overrideValue : "";
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url.empty() ? std::string(defaultPortalBaseURL) : url;
}

bool isPermittedPortalURL(std::string_view url) {
    const std::string lower = lowered(url.substr(0, std::min<size_t>(url.size(), 8)));
    if (lower.starts_with("https://")) {
        return url.size() > 8;
    }
    if (lower.starts_with("http://")) {
        return isLoopbackHost(hostOf(url.substr(7)));
    }
    return false;
}

const std::string& portalBaseURL() {
    static const std::string value = resolvePortalBaseURL(std::getenv("KELDRA_PORTAL_URL"));
    return value;
}

const std::string& portalServicesURL() {
    static const std::string value = portalBaseURL() + "/dashboard/services";
    return value;
}

const std::string& portalKeldraURL() {
    static const std::string value = portalBaseURL() + "/keldra";
    return value;
}

const std::string& portalForgotPasswordURL() {
    static const std::string value = portalBaseURL() + "/forgot-password";
    return value;
}

const std::string& supportURL() {
    static const std::string value(defaultSupportURL);
    return value;
}

} // namespace keldra
