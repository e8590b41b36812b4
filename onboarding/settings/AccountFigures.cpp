#include "onboarding/settings/AccountFigures.h"

#include "core/events/ByteCount.h"

#include <algorithm>

namespace keldra {

namespace {

constexpr std::int64_t bytesPerMiB = 1'048'576;
// The largest MiB count whose bytes stay within a signed 64-bit integer: 2^43 - 1.
constexpr std::int64_t largestMiB = (std::int64_t{1} << 43) - 1;

} // namespace

std::string accountEmailText(const std::optional<AccountInfo>& account,
                             const std::optional<StoredSession>& session) {
    if (account && account->email) {
        return *account->email;
    }
    if (session) {
        return session->email;
    }
    return "\u2014";
}

std::string accountPlanText(const std::optional<AccountInfo>& account) {
    if (account && account->planName) {
        return *account->planName;
    }
    return "Keldra";
}

StorageUse storageUse(std::int64_t usedBytes, std::int64_t quotaBytes) {
    if (quotaBytes < 1) {
        return {};
    }
    const double ratio = static_cast<double>(usedBytes) / static_cast<double>(quotaBytes);
    return {std::clamp(ratio, 0.0, 1.0), ratio >= 0.9};
}

std::string storageUsageText(std::int64_t usedBytes, std::int64_t quotaBytes) {
    return formatByteCount(usedBytes) + " of " + formatByteCount(quotaBytes) +
           " used \u00B7 shared with the web Keldra, including old versions";
}

std::string perFileLimitText(const std::optional<std::int64_t>& maxFileSizeMb) {
    if (!maxFileSizeMb || *maxFileSizeMb <= 0 || *maxFileSizeMb > largestMiB) {
        return "No per-file limit reported";
    }
    return formatByteCount(*maxFileSizeMb * bytesPerMiB) + " per file on your plan";
}

std::string appVersionText(const std::string& version, const std::string& build) {
    return "App " + version + " (" + build + ")";
}

} // namespace keldra
