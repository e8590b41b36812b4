#include "localportal/PortalContext.h"

#include "core/codec/Hex.h"

#include <chrono>
#include <cstdio>
#include <openssl/rand.h>
#include <thread>

namespace keldra::localportal {

namespace {

std::string defaultBody(int status, bool storage) {
    if (storage) {
        const char* code = status == 403 ? "AccessDenied" : status == 503 ? "SlowDown" : "InternalError";
        return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>") + code +
               "</Code><Message>Injected failure.</Message></Error>";
    }
    switch (status) {
    case 429:
        return R"({"message":"Too Many Attempts."})";
    case 500:
        return R"({"message":"Server Error"})";
    case 503:
        return R"({"message":"Service Unavailable"})";
    default:
        return R"({"message":"Injected failure."})";
    }
}

nlohmann::json headersJson(const HttpHeaders& headers) {
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [name, value] : headers) {
        json[name] = value;
    }
    return json;
}

} // namespace

PortalContext::PortalContext(const std::filesystem::path& dataDir, std::uint64_t maxObjectBytes,
                             int latencyMs, int requestLimit)
    : store(dataDir / "portal.sqlite"), objects(dataDir / "objects"), signer(store.signingKey()),
      limiter(requestLimit), maxObjectBytes(maxObjectBytes) {
    settings_.latencyMs = latencyMs;
    defaults_ = settings_;
}

PortalSettings PortalContext::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void PortalContext::updateSettings(const std::function<void(PortalSettings&)>& change) {
    std::lock_guard lock(mutex_);
    change(settings_);
}

void PortalContext::resetSettings() {
    std::lock_guard lock(mutex_);
    settings_ = defaults_;
}

std::string PortalContext::baseUrl() const {
    std::lock_guard lock(mutex_);
    return baseUrl_;
}

void PortalContext::setBaseUrl(std::string url) {
    std::lock_guard lock(mutex_);
    baseUrl_ = std::move(url);
}

void PortalContext::serve(const std::string& endpoint, const HttpRequest& req, HttpResponse& res,
                          const Handler& handler) {
    const auto current = settings();
    if (current.latencyMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(current.latencyMs));
    }
    const bool storage = endpoint.rfind("storage-", 0) == 0;
    auto fault = faults.take(endpoint);
    if (fault && fault->latencyMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->latencyMs));
    }
    if (fault && fault->replacesAnswer() && !fault->afterHandler) {
        applyFault(*fault, storage, res);
    } else {
        handler(fault);
        if (fault && fault->replacesAnswer() && fault->afterHandler) {
            res = HttpResponse{};
            applyFault(*fault, storage, res);
        }
    }
    nlohmann::json entry{{"endpoint", endpoint},
                         {"method", req.method},
                         {"path", req.path},
                         {"status", res.status},
                         {"headers", headersJson(req.headers)},
                         {"body_size", req.body.size()}};
    nlohmann::json query = nlohmann::json::object();
    for (const auto& [name, value] : req.params) {
        query[name] = value;
    }
    entry["query"] = query;
    if (!storage && req.body.size() <= 65536) {
        entry["body"] = req.body;
    }
    if (fault) {
        entry["fault"] = true;
    }
    stats.record(std::move(entry));
}

void PortalContext::applyFault(const Fault& fault, bool storage, HttpResponse& res) {
    if (fault.drop) {
        // Headers promise a body that never comes: the client sees the connection break off.
        res.status = 200;
        res.setHeader("Content-Type", "application/json");
        res.brokenBodySize = 1024;
        return;
    }
    if (fault.route404 == "html") {
        res.status = 404;
        res.setContent("<!DOCTYPE html>\n<html><head><title>Not Found</title></head>"
                       "<body><h1>404 Not Found</h1></body></html>\n",
                       "text/html; charset=UTF-8");
        return;
    }
    if (fault.route404 == "json") {
        sendJson(res, 404, {{"message", "The route could not be found."}});
        return;
    }
    res.status = fault.status;
    if (fault.retryAfter) {
        res.setHeader("Retry-After", *fault.retryAfter);
    }
    if (fault.status == 204 || fault.status == 304 || (fault.status >= 100 && fault.status < 200)) {
        // These answers carry no body; one sent anyway would be read as the next answer on the connection.
        return;
    }
    const std::string contentType = !fault.contentType.empty() ? fault.contentType
                                    : storage                  ? "application/xml"
                                                               : "application/json";
    res.setContent(fault.body ? *fault.body : defaultBody(fault.status, storage), contentType);
}

std::optional<Account> PortalContext::authenticate(const HttpRequest& req, HttpResponse& res) {
    const std::string header = req.header("Authorization");
    const std::string prefix = "Bearer ";
    if (header.rfind(prefix, 0) != 0 || header.size() == prefix.size()) {
        sendJson(res, 401, {{"message", "Unauthenticated."}});
        return std::nullopt;
    }
    const auto record = store.token(header.substr(prefix.size()));
    if (!record || record->revoked) {
        sendJson(res, 401, {{"message", "Unauthenticated."}, {"code", "invalid_token"}});
        return std::nullopt;
    }
    if (record->expiresAt <= nowSeconds()) {
        sendJson(res, 401, {{"message", "Your session has expired."}, {"code", "token_expired"}});
        return std::nullopt;
    }
    auto account = store.accountById(record->accountId);
    if (!account) {
        sendJson(res, 401, {{"message", "Unauthenticated."}, {"code", "invalid_token"}});
        return std::nullopt;
    }
    if (const auto wait = limiter.admit(account->id)) {
        res.setHeader("Retry-After", std::to_string(*wait));
        sendMessage(res, 429, "Too Many Attempts.");
        return std::nullopt;
    }
    if (account->disabled) {
        sendJson(res, 403, {{"message", "This account has been disabled."}, {"code", "forbidden"}});
        return std::nullopt;
    }
    return account;
}

bool PortalContext::admitKeldra(const Account& account, HttpResponse& res) {
    if (!account.hasPlan) {
        sendJson(res, 403, {{"message", "No active Keldra subscription."}, {"has_subscription", false}});
        return false;
    }
    if (account.suspended) {
        sendJson(res, 403,
                 {{"message", "Your keldra has been suspended."},
                  {"code", "keldra_suspended"},
                  {"suspended", true}});
        return false;
    }
    if (!account.geoRule || !account.geoRule->is_object()) {
        return true;
    }
    const auto& rule = *account.geoRule;
    if (rule.contains("enabled") && rule["enabled"].is_boolean() && !rule["enabled"].get<bool>()) {
        return true;
    }
    std::string action = rule.value("action", std::string());
    for (auto& c : action) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto country = settings().country;
    if ((action != "destroy" && action != "block") || !country || country->size() != 2) {
        return true;
    }
    std::string code = *country;
    for (auto& c : code) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    auto listed = [&](const char* key) {
        if (!rule.contains(key) || !rule[key].is_array()) {
            return false;
        }
        for (const auto& item : rule[key]) {
            if (item.is_string()) {
                std::string value = item.get<std::string>();
                for (auto& c : value) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
                if (value == code) {
                    return true;
                }
            }
        }
        return false;
    };
    const bool hasAllowList = rule.contains("allowed_countries") && rule["allowed_countries"].is_array() &&
                              !rule["allowed_countries"].empty();
    const bool blocked =
        hasAllowList ? !listed("allowed_countries") : (listed("blocked_countries") || listed("countries"));
    if (!blocked) {
        return true;
    }
    if (action == "destroy") {
        for (const auto& key : store.deleteAllFiles(account.id)) {
            objects.remove(key);
        }
        stats.addGeoWipe();
        sendJson(res, 403,
                 {{"message", "Your Keldra was wiped by its country rule."},
                  {"code", "keldra_geo_blocked"},
                  {"geo", "destroyed"}});
    } else {
        sendJson(res, 403,
                 {{"message", "Access from this country is blocked."},
                  {"code", "keldra_geo_blocked"},
                  {"geo", "blocked"}});
    }
    return false;
}

std::string PortalContext::presign(const std::string& method, const std::string& key,
                                   const std::string& contentType) {
    const std::int64_t expires = nowSeconds() + settings().urlTtlSeconds;
    return baseUrl() + "/storage/" + key + "?expires=" + std::to_string(expires) +
           "&signature=" + signer.sign(method, key, expires, contentType);
}

void sendJson(HttpResponse& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.setContent(body.dump(), "application/json");
}

void sendMessage(HttpResponse& res, int status, const std::string& message) {
    sendJson(res, status, {{"message", message}});
}

void sendValidation(HttpResponse& res, const std::string& field, const std::string& message, int status) {
    sendJson(res, status, {{"message", message}, {"errors", {{field, {message}}}}});
}

std::optional<std::int64_t> parseId(const std::string& text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::int64_t> idValue(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_string()) {
        return parseId(value.get<std::string>());
    }
    return std::nullopt;
}

std::int64_t nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::int64_t nowSeconds() {
    return nowMicros() / 1000000;
}

std::string isoTime(std::int64_t micros, bool withFraction) {
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[64];
    if (withFraction) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                      static_cast<int>((micros / 1000) % 1000));
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return text;
}

std::optional<std::int64_t> parseIsoTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                    &used) != 6 ||
        used != 19) {
        return std::nullopt;
    }
    std::size_t pos = 19;
    std::int64_t fraction = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        std::int64_t scale = 100000;
        const std::size_t start = pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
            fraction += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    std::int64_t offset = 0;
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z') && pos + 1 == text.size()) {
        offset = 0;
    } else if (pos + 6 == text.size() && (text[pos] == '+' || text[pos] == '-') && text[pos + 3] == ':') {
        int oh = 0, om = 0;
        if (std::sscanf(text.c_str() + pos + 1, "%2d:%2d", &oh, &om) != 2) {
            return std::nullopt;
        }
        offset = (oh * 3600 + om * 60) * (text[pos] == '+' ? 1 : -1);
    } else {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const std::int64_t seconds = static_cast<std::int64_t>(timegm(&tm)) - offset;
    return seconds * 1000000 + fraction;
}

} // namespace keldra::localportal
