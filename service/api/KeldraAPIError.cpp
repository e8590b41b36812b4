#include "service/api/KeldraAPIError.h"

#include "core/events/RegionNames.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace keldra {

namespace {

std::string orDefault(const std::string& text, const char* fallback) {
    return text.empty() ? fallback : text;
}

// Whole seconds for the text; a value no clock could produce still reads sensibly.
std::string wholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) {
        return "0";
    }
    if (seconds >= 1e15) {
        return "1000000000000000";
    }
    return std::to_string(static_cast<long long>(std::trunc(seconds)));
}

} // namespace

std::string KeldraAPIError::message() const {
    switch (kind_) {
    case Kind::invalidCredentials:
        return orDefault(text_, "Email or password is incorrect.");
    case Kind::accessDenied:
        return orDefault(text_, "The Keldra refused access from this connection.");
    case Kind::geoBlocked:
        return destroyed_ ? "Your Keldra was wiped by its country rule."
                          : "Your Keldra's country rule blocks access from this connection.";
    case Kind::geoRisk:
        return "This computer is connecting from " + regionName(text_) +
               ", where your Keldra's country rule would wipe it. The Keldra wasn't contacted.";
    case Kind::uploadRefused:
        return text_;
    case Kind::rateLimited:
        return "Too many requests. Waiting " + wholeSeconds(retryAfter_) + " seconds.";
    case Kind::endpointMissing:
        return "The portal doesn't support " + text_ + " yet.";
    case Kind::conflict:
        return orDefault(text_, "That already exists.");
    case Kind::rejected:
        return text_;
    case Kind::server:
        return text_.empty() ? "The portal returned an error (" + std::to_string(status_) + ")." : text_;
    case Kind::transport:
        return text_;
    case Kind::decoding:
        return "Unexpected response from the portal (" + text_ + ").";
    case Kind::twoFactorRequired:
        return "Enter the 6-digit code from your authenticator app.";
    case Kind::invalidTwoFactor:
        return "That code didn't work. Check your authenticator app and try again.";
    case Kind::tokenExpired:
        return "You've been signed out. Sign in again to continue backing up.";
    case Kind::accountDisabled:
        return "This account has been disabled. Please contact support.";
    case Kind::keldraSuspended:
        return "Your keldra has been suspended. Please contact support.";
    case Kind::noSubscription:
        return "This account doesn't have a Keldra plan.";
    case Kind::alreadyConfirmed:
        return "That upload was already confirmed.";
    case Kind::notFound:
        return "Not found in your Keldra.";
    }
    return text_;
}

bool isStorageFullMessage(const KeldraAPIError& error) {
    if (error.kind() != KeldraAPIError::Kind::rejected) {
        return false;
    }
    std::string lower = error.text();
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* word : {"quota", "storage", "too large", "file size", "limit"}) {
        if (lower.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace keldra
