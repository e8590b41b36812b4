#include "localportal/FaultPlan.h"

namespace keldra::localportal {

Fault Fault::fromJson(const nlohmann::json& json) {
    Fault f;
    f.endpoint = json.at("endpoint").get<std::string>();
    f.status = json.value("status", 0);
    if (json.contains("body") && !json["body"].is_null()) {
        f.body = json["body"].is_string() ? json["body"].get<std::string>() : json["body"].dump();
    }
    f.contentType = json.value("content_type", std::string());
    if (json.contains("retry_after") && !json["retry_after"].is_null()) {
        f.retryAfter = json["retry_after"].is_string() ? json["retry_after"].get<std::string>()
                                                       : json["retry_after"].dump();
    }
    f.count = json.value("count", 1);
    f.skip = json.value("skip", 0);
    f.latencyMs = json.value("latency_ms", 0);
    f.drop = json.value("drop", false);
    f.afterHandler = json.value("after_handler", false);
    f.mangleName = json.value("mangle_name", std::string());
    f.route404 = json.value("route_404", std::string());
    if (!f.mangleName.empty() && f.mangleName != "alter" && f.mangleName != "truncate" &&
        f.mangleName != "unsealed") {
        throw std::invalid_argument("mangle_name must be alter, truncate or unsealed");
    }
    if (!f.route404.empty() && f.route404 != "html" && f.route404 != "json") {
        throw std::invalid_argument("route_404 must be html or json");
    }
    return f;
}

nlohmann::json Fault::toJson() const {
    nlohmann::json json{{"endpoint", endpoint},
                        {"status", status},
                        {"count", count},
                        {"skip", skip},
                        {"latency_ms", latencyMs},
                        {"drop", drop},
                        {"after_handler", afterHandler}};
    if (body) {
        json["body"] = *body;
    }
    if (retryAfter) {
        json["retry_after"] = *retryAfter;
    }
    if (!contentType.empty()) {
        json["content_type"] = contentType;
    }
    if (!mangleName.empty()) {
        json["mangle_name"] = mangleName;
    }
    if (!route404.empty()) {
        json["route_404"] = route404;
    }
    return json;
}

void FaultPlan::add(Fault fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
}

void FaultPlan::clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::optional<Fault> FaultPlan::take(const std::string& endpoint) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->endpoint != endpoint) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        Fault fired = *it;
        if (it->count > 0 && --it->count == 0) {
            faults_.erase(it);
        }
        return fired;
    }
    return std::nullopt;
}

nlohmann::json FaultPlan::toJson() const {
    std::lock_guard lock(mutex_);
    auto list = nlohmann::json::array();
    for (const auto& fault : faults_) {
        list.push_back(fault.toJson());
    }
    return list;
}

void PortalStats::record(nlohmann::json entry) {
    std::lock_guard lock(mutex_);
    ++counts_[entry.value("endpoint", std::string("unknown"))];
    log_.push_back(std::move(entry));
    if (log_.size() > logLimit) {
        log_.pop_front();
    }
}

void PortalStats::addBytesIn(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    bytesIn_ += bytes;
}

void PortalStats::addBytesOut(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    bytesOut_ += bytes;
}

void PortalStats::addGeoWipe() {
    std::lock_guard lock(mutex_);
    ++geoWipes_;
}

void PortalStats::reset() {
    std::lock_guard lock(mutex_);
    counts_.clear();
    bytesIn_ = 0;
    bytesOut_ = 0;
    geoWipes_ = 0;
    log_.clear();
}

nlohmann::json PortalStats::snapshot() const {
    std::lock_guard lock(mutex_);
    return {
        {"requests", counts_}, {"bytes_in", bytesIn_}, {"bytes_out", bytesOut_}, {"geo_wipes", geoWipes_}};
}

nlohmann::json PortalStats::requests(const std::string& endpoint) const {
    std::lock_guard lock(mutex_);
    auto list = nlohmann::json::array();
    for (const auto& entry : log_) {
        if (endpoint.empty() || entry.value("endpoint", std::string()) == endpoint) {
            list.push_back(entry);
        }
    }
    return list;
}

} // namespace keldra::localportal
