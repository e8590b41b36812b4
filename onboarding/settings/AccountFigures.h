#pragma once
// What the Account tab shows of the account, the session and the storage status, worked out apart from
// the widgets.

#include "core/secrets/StoredSession.h"
#include "service/types/AccountInfo.h"
#include "service/types/KeldraStatus.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// The account's e-mail, else the session's, else "—".
std::string accountEmailText(const std::optional<AccountInfo>& account,
                             const std::optional<StoredSession>& session);
// The plan's name, else "Keldra".
std::string accountPlanText(const std::optional<AccountInfo>& account);

struct StorageUse {
    double fraction = 0;     // of the bar, 0 to 1
    bool nearlyFull = false; // drawn in the warning colour
};
// used ÷ quota held to 1, nearly full from 90 %; a quota below 1 byte shows an empty, normal bar.
StorageUse storageUse(std::int64_t usedBytes, std::int64_t quotaBytes);
// "<used> of <quota> used · shared with the web Keldra, including old versions".
std::string storageUsageText(std::int64_t usedBytes, std::int64_t quotaBytes);
// "<size> per file on your plan", or "No per-file limit reported" for none, 0, negative or a count of
// MiB whose bytes do not fit 64 bits.
std::string perFileLimitText(const std::optional<std::int64_t>& maxFileSizeMb);
// "App <version> (<build>)".
std::string appVersionText(const std::string& version, const std::string& build);

} // namespace keldra
