#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// One desktop notification: a later one with the same identifier replaces it.
struct Notice {
    std::string identifier;
    std::string title;
    std::string body;

    friend bool operator==(const Notice&, const Notice&) = default;
};

// What runs tell the user. Counts are written in the locale's decimal style with grouping.
namespace runNotice {
Notice runFailed(const std::string& message);
Notice runFailures(std::int64_t failed);
Notice keyMismatch();
Notice verifierMissing();
Notice massChange();
Notice keldraMismatch();
Notice storage(int percent);
Notice storageFull();
Notice driveReview(const std::string& destinationID, const std::string& name);
Notice driveKey(const std::string& destinationID, const std::string& name);
Notice driveFailures(const std::string& destinationID, const std::string& name, std::int64_t failed);
Notice driveFull(const std::string& destinationID, const std::string& name);

// The storage percent worth a notice (90 and above; 100 once full), or none below 90 % or without a quota.
std::optional<int> storagePercent(std::int64_t usedBytes, std::int64_t quotaBytes);
} // namespace runNotice

} // namespace keldra
