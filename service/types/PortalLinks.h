#pragma once

#include <string>
#include <string_view>

namespace keldra {

// The portal's web base (scheme and host, no trailing slash): the base of every REST path and of the
// country trace. KELDRA_PORTAL_URL replaces it (read once, on first use).
const std::string& portalBaseURL();
const std::string& portalServicesURL();       // base + "/dashboard/services"
const std::string& portalKeldraURL();         // base + "/keldra"
const std::string& portalForgotPasswordURL(); // base + "/forgot-password"
const std::string& supportURL();              // the public web site's support page

inline constexpr std::string_view defaultPortalBaseURL = "https://portal.orlivane.example";
inline constexpr std::string_view defaultSupportURL = "https://orlivane.example/support";

// The base URL an override gives: the override without trailing slashes, or the default when it is
// absent or empty.
std::string resolvePortalBaseURL(const char* overrideValue);

// Whether requests may go to this URL: https anywhere, plain http only to a loopback host
// (127.0.0.0/8, ::1, localhost), so tokens and keys never cross a network in clear text.
bool isPermittedPortalURL(std::string_view url);

} // namespace keldra
