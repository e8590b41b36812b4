#pragma once

#include "localportal/FaultPlan.h"
#include "localportal/HttpMessage.h"
#include "localportal/ObjectStore.h"
#include "localportal/PortalStore.h"
#include "localportal/RequestLimiter.h"
#include "localportal/UrlSigner.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra::localportal {

// Run-time settings the control API may change.
struct PortalSettings {
    std::optional<std::string> country = std::string("DE"); // nothing: the trace has no "loc=" line
    std::int64_t urlTtlSeconds = 900;
    std::int64_t tokenTtlSeconds = 30 * 24 * 3600;
    int latencyMs = 0;
};

// What every route of the portal shares.
class PortalContext {
public:
    PortalContext(const std::filesystem::path& dataDir, std::uint64_t maxObjectBytes, int latencyMs,
                  int requestLimit);

    PortalStore store;
    ObjectStore objects;
    UrlSigner signer;
    FaultPlan faults;
    PortalStats stats;
    RequestLimiter limiter;
    const std::uint64_t maxObjectBytes;
    // Stored bodies are flushed to disk before a PUT is answered; set once, before serving.
    bool durableObjects = true;

    PortalSettings settings() const;
    void updateSettings(const std::function<void(PortalSettings&)>& change);
    void resetSettings();

    std::string baseUrl() const;
    void setBaseUrl(std::string url);

    // Counts and logs the request, adds latency and runs faults around the real handler.
    using Handler = std::function<void(const std::optional<Fault>&)>;
    void serve(const std::string& endpoint, const HttpRequest& req, HttpResponse& res,
               const Handler& handler);
    void applyFault(const Fault& fault, bool storage, HttpResponse& res);

    // The signed-in account of a bearer request, or an error answer written to res. Each admitted request
    // counts against the account's request limit; past it the answer is 429 with Retry-After.
    std::optional<Account> authenticate(const HttpRequest& req, HttpResponse& res);
    // Plan, suspension and country rule of the Keldra endpoints; false with an error answer written.
    bool admitKeldra(const Account& account, HttpResponse& res);

    std::string presign(const std::string& method, const std::string& key, const std::string& contentType);

private:
    mutable std::mutex mutex_;
    PortalSettings settings_;
    PortalSettings defaults_;
    std::string baseUrl_;
};

// Answer helpers shared by the routes.
void sendJson(HttpResponse& res, int status, const nlohmann::json& body);
void sendMessage(HttpResponse& res, int status, const std::string& message);
void sendValidation(HttpResponse& res, const std::string& field, const std::string& message,
                    int status = 422);
// An identifier sent as a JSON integer or a string of digits.
std::optional<std::int64_t> idValue(const nlohmann::json& value);
std::optional<std::int64_t> parseId(const std::string& text);

std::int64_t nowMicros();
std::int64_t nowSeconds();
// "2024-05-01T10:00:00.250Z"
std::string isoTime(std::int64_t micros, bool withFraction = true);
// ISO 8601 internet date-time (fraction optional, "Z" or an offset); microseconds since 1970.
std::optional<std::int64_t> parseIsoTime(const std::string& text);

} // namespace keldra::localportal
