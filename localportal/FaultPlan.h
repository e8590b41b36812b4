#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keldra::localportal {

// One injected misbehaviour of one endpoint, set through the control API.
struct Fault {
    std::string endpoint;
    int status = 0;                        // answer with this status instead of the real one
    std::optional<std::string> body;       // the answer's body (a default per status when absent)
    std::string contentType;               // of body; JSON (or XML for storage) when empty
    std::optional<std::string> retryAfter; // "Retry-After" header, sent as given
    int count = 1;                         // requests it applies to; -1: all of them
    int skip = 0;                          // matching requests to let through first
    int latencyMs = 0;                     // added before answering
    bool drop = false;                     // the answer breaks off after its headers
    bool afterHandler = false;             // the real work happens, then its answer is replaced
    std::string mangleName;                // download ticket: "alter", "truncate" or "unsealed"
    std::string route404;                  // "html" or "json": the route seems not to exist

    bool replacesAnswer() const { return status != 0 || drop || !route404.empty(); }

    static Fault fromJson(const nlohmann::json& json);
    nlohmann::json toJson() const;
};

// The faults waiting to fire, in the order they were added. Thread-safe.
class FaultPlan {
public:
    void add(Fault fault);
    void clear();
    // The fault that applies to this request of the endpoint (consuming one use), if any.
    std::optional<Fault> take(const std::string& endpoint);
    nlohmann::json toJson() const;

private:
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
};

// Request counts per endpoint, bytes moved and a log of recent requests. Thread-safe.
class PortalStats {
public:
    void record(nlohmann::json entry);
    void addBytesIn(std::uint64_t bytes);
    void addBytesOut(std::uint64_t bytes);
    void addGeoWipe();
    void reset();
    nlohmann::json snapshot() const;
    nlohmann::json requests(const std::string& endpoint) const;

private:
    static constexpr std::size_t logLimit = 5000;
    mutable std::mutex mutex_;
    std::map<std::string, std::int64_t> counts_;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
    std::int64_t geoWipes_ = 0;
    std::deque<nlohmann::json> log_;
};

} // namespace keldra::localportal
