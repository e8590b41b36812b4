#include "service/api/KeldraAPI.h"

#include "core/text/Utf8Text.h"
#include "service/api/AnswerDecoding.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace keldra {

using Json = nlohmann::json;
using answer::envelopeContent;
using answer::parseJson;

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// A decimal number as the Retry-After header carries it; nothing for dates and other text.
std::optional<double> parseDecimal(const std::optional<std::string>& header) {
    if (!header || header->empty()) {
        return std::nullopt;
    }
    const char* begin = header->data();
    const char* end = begin + header->size();
    if (*begin == '+' && begin + 1 != end && begin[1] != '-') {
        ++begin;
    }
    double value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

template <typename J> std::string stringMember(const J& object, const char* key) {
    if (auto it = object.find(key); it != object.end() && it->is_string()) {
        return it->template get<std::string>();
    }
    return {};
}

template <typename J> bool hasString(const J& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string();
}

} // namespace

KeldraAPI::KeldraAPI(const Clock& clock, Sleeper& sleeper, std::string baseURL, int requestLimit)
    : clock_(clock), sleeper_(sleeper), session_(std::move(baseURL)), limiter_(clock, sleeper, requestLimit) {
}

// State shared with the app model

void KeldraAPI::setToken(std::optional<std::string> token) {
    std::lock_guard lock(mutex_);
    token_ = std::move(token);
}

std::optional<std::string> KeldraAPI::token() const {
    std::lock_guard lock(mutex_);
    return token_;
}

void KeldraAPI::setGeo(GeoGuard::Rule rule) {
    std::lock_guard lock(mutex_);
    geo_ = std::move(rule);
}

GeoGuard::Rule KeldraAPI::geo() const {
    std::lock_guard lock(mutex_);
    return geo_;
}

void KeldraAPI::clearLastCountry() {
    std::lock_guard lock(mutex_);
    lastCountry_.reset();
}

std::optional<KeldraAPI::LastCountry> KeldraAPI::lastCountry() const {
    std::lock_guard lock(mutex_);
    return lastCountry_;
}

std::optional<bool> KeldraAPI::hasAllFilesEndpoint() const {
    std::lock_guard lock(mutex_);
    return hasAllFilesEndpoint_;
}

std::optional<std::string> KeldraAPI::lastDiagnostic() const {
    std::lock_guard lock(mutex_);
    return lastDiagnostic_;
}

// The request core

KeldraAPI::Response KeldraAPI::request(std::string_view method, std::string_view path,
                                       const QueryItems& query, const std::optional<Json>& body,
                                       bool authenticated, int maxAttempts, const CancelToken& cancel) {
    throwIfCancelled(cancel);
    PortalSession::Request prepared;
    prepared.method = std::string(method);
    prepared.path = std::string(path);
    prepared.query = query;
    prepared.idleTimeoutSeconds = 60;
    prepared.totalTimeoutSeconds = 120;
    if (body) {
        prepared.headers.emplace_back("Content-Type: application/json");
        try {
            prepared.body = body->dump();
        } catch (const Json::exception&) {
            // Text that is not valid UTF-8 cannot travel as JSON; nothing is sent.
            throw KeldraAPIError::rejected(
                "The request holds text that isn't valid UTF-8, so it wasn't sent.");
        }
    }

    const bool keldraPath = authenticated && path.starts_with("/api/keldra");
    if (authenticated) {
        const auto bearer = token();
        if (!bearer) {
            throw KeldraAPIError::tokenExpired();
        }
        prepared.headers.push_back("Authorization: Bearer " + *bearer);
        const double waited = limiter_.acquire(cancel);
        if (keldraPath) {
            ensureGeoAllowed(waited > 1.0, cancel);
        }
    }
    return send(method, path, prepared, keldraPath, maxAttempts, cancel);
}

KeldraAPI::Response KeldraAPI::send(std::string_view method, std::string_view path,
                                    const PortalSession::Request& prepared, bool keldraPath, int maxAttempts,
                                    const CancelToken& cancel) {
    int attempt = 0;
    for (;;) {
        HTTPResponse response;
        try {
            response = session_.send(prepared, cancel);
        } catch (const TransferError& error) {
            throwTransport(error);
        }
        if (response.status <= 0) {
            throw KeldraAPIError::transport("No HTTP response");
        }

        const auto retryAfter = parseDecimal(response.header("Retry-After"));
        if (response.status == 429) {
            double ra = 30;
            if (retryAfter && std::isfinite(*retryAfter)) {
                ra = std::clamp(*retryAfter, 1.0, 3600.0);
            }
            limiter_.blockUntil(ra);
            if (attempt >= maxAttempts) {
                throw KeldraAPIError::rateLimited(ra);
            }
            sleeper_.sleepOrThrow(Seconds(ra + 0.25), cancel);
        } else if (response.status == 503 && retryAfter && std::isfinite(*retryAfter) && attempt <= 2) {
            const double wait = *retryAfter < 1 ? 1.25 : std::min(*retryAfter, 120.0) + 0.25;
            sleeper_.sleepOrThrow(Seconds(wait), cancel);
        } else if (response.status >= 200 && response.status <= 299) {
            Response out;
            out.body = std::move(response.body);
            out.http = std::move(response);
            out.http.body.clear();
            return out;
        } else {
            {
                const std::string line = diagnosticLine(method, path, response.status, response.body);
                std::lock_guard lock(mutex_);
                lastDiagnostic_ = line;
            }
            throw mapHTTPError(response.status, path, response.body);
        }

        ++attempt;
        if (keldraPath) {
            ensureGeoAllowed(true, cancel);
        }
    }
}

void KeldraAPI::throwTransport(const TransferError& error) {
    if (error.cancelled()) {
        throw CancelledError{};
    }
    clearLastCountry();
    throw KeldraAPIError::transport(error.message());
}

std::string KeldraAPI::diagnosticLine(std::string_view method, std::string_view path, long status,
                                      const Bytes& body) {
    const std::size_t prefix = std::min<std::size_t>(body.size(), 400);
    const std::string text =
        trimWhitespace(toDisplayUtf8(std::string_view(reinterpret_cast<const char*>(body.data()), prefix)));
    std::string snippet;
    const Json parsed = parseJson(body);
    if (parsed.is_object() && hasString(parsed, "message")) {
        snippet = stringMember(parsed, "message");
    } else if (parsed.is_object() && hasString(parsed, "error")) {
        snippet = stringMember(parsed, "error");
    } else {
        snippet = firstCharacters(text, 160);
    }
    std::string line = std::string(method) + " " + std::string(path) + " → HTTP " + std::to_string(status);
    if (!snippet.empty()) {
        line += ": " + snippet;
    }
    return line;
}

KeldraAPIError KeldraAPI::mapHTTPError(long status, std::string_view path, const Bytes& body) {
    // Ordered, so the first field error is the first one the portal wrote.
    nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(body.begin(), body.end(), nullptr, false);
    const bool isObject = parsed.is_object();
    if (!isObject) {
        parsed = nlohmann::ordered_json::object();
    }
    const std::string code =
        lowered(hasString(parsed, "code") ? stringMember(parsed, "code") : stringMember(parsed, "error"));
    const std::string message =
        hasString(parsed, "message") ? stringMember(parsed, "message") : stringMember(parsed, "error");
    const auto boolean = [&](const char* key) -> std::optional<bool> {
        if (auto it = parsed.find(key); it != parsed.end() && it->is_boolean()) {
            return it->get<bool>();
        }
        return std::nullopt;
    };

    switch (status) {
    case 401:
        if (contains(code, "two_factor_required")) {
            return KeldraAPIError::twoFactorRequired();
        }
        if (contains(code, "invalid_two_factor")) {
            return KeldraAPIError::invalidTwoFactor();
        }
        if (contains(code, "token_expired") || contains(code, "invalid_token")) {
            return KeldraAPIError::tokenExpired();
        }
        if (path == "/api/auth/token") {
            return KeldraAPIError::invalidCredentials(message);
        }
        return KeldraAPIError::tokenExpired();
    case 403:
        if (code == "keldra_geo_blocked") {
            return KeldraAPIError::geoBlocked(lowered(stringMember(parsed, "geo")) == "destroyed");
        }
        if (boolean("suspended") == true || code == "keldra_suspended") {
            return KeldraAPIError::keldraSuspended();
        }
        if (boolean("has_subscription") == false ||
            contains(lowered(message), "no active keldra subscription")) {
            return KeldraAPIError::noSubscription();
        }
        if (code == "forbidden") {
            return KeldraAPIError::accountDisabled();
        }
        if (path == "/api/keldra/upload-confirm") {
            return KeldraAPIError::uploadRefused(message.empty() ? "The portal refused this upload."
                                                                 : message);
        }
        if (path.starts_with("/api/keldra")) {
            return KeldraAPIError::accessDenied(message);
        }
        return KeldraAPIError::server(403, message);
    case 404:
        if (isObject) {
            const std::string lower = lowered(message);
            if (contains(lower, "could not be found") && contains(lower, "route")) {
                return KeldraAPIError::endpointMissing(std::string(path));
            }
            return KeldraAPIError::notFound();
        }
        return KeldraAPIError::endpointMissing(std::string(path));
    case 405:
        return KeldraAPIError::endpointMissing(std::string(path));
    case 409:
        if (code == "already_confirmed") {
            return KeldraAPIError::alreadyConfirmed();
        }
        return KeldraAPIError::conflict(message);
    case 400:
    case 413:
    case 422: {
        if (auto errors = parsed.find("errors"); errors != parsed.end() && errors->is_object()) {
            for (const auto& [field, value] : errors->items()) {
                (void)field;
                if (value.is_array() && !value.empty() &&
                    std::all_of(value.begin(), value.end(), [](const auto& e) { return e.is_string(); })) {
                    return KeldraAPIError::rejected(value.front().template get<std::string>());
                }
            }
        }
        return KeldraAPIError::rejected(message.empty() ? "The portal refused this request." : message);
    }
    default:
        return KeldraAPIError::server(static_cast<int>(status), message);
    }
}

Bytes KeldraAPI::unwrapDataEnvelope(const Bytes& body) {
    const Json parsed = parseJson(body);
    const Json& content = envelopeContent(parsed);
    if (&content == &parsed) {
        return body;
    }
    return toBytes(content.dump());
}

// The country check

void KeldraAPI::ensureGeoAllowed(bool force, const CancelToken& cancel) {
    GeoGuard::Rule rule;
    std::optional<LastCountry> last;
    {
        std::lock_guard lock(mutex_);
        rule = geo_;
        last = lastCountry_;
    }
    if (rule.kind == GeoGuard::Rule::Kind::off) {
        return;
    }
    std::string code;
    const double age = last ? std::chrono::duration_cast<Seconds>(clock_.now() - last->at).count() : 0;
    // A lookup from the future (the clock was set back) is not trusted.
    if (!force && last && age < 20 && age >= 0) {
        code = last->code;
    } else {
        const auto found = GeoGuard::fetchCountry(session_, cancel);
        throwIfCancelled(cancel);
        if (!found) {
            throw KeldraAPIError::transport("Couldn't confirm this computer's location, so the Keldra wasn't "
                                            "contacted (its country rule is set to Destroy).");
        }
        code = *found;
        std::lock_guard lock(mutex_);
        lastCountry_ = LastCountry{code, clock_.now()};
    }
    if (rule.refuses(code)) {
        throw KeldraAPIError::geoRisk(code);
    }
}

} // namespace keldra
