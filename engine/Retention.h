#pragma once

#include "core/events/EngineEvent.h"
#include "core/scan/UncertainPaths.h"
#include "core/seams/CancelToken.h"
#include "engine/EngineServices.h"
#include "engine/RunLog.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace keldra {

// The clean-up after a run's uploads: superseded versions past the retention period, and files deleted on
// this computer past the grace period, removed from the Keldra and the index. An item that fails is left for
// the next run; errors that make the account or the service unusable (and cancellation) end the operation.
class Retention {
public:
    Retention(const EngineServices& services, const CancelToken& cancel);

    // Deletes versions superseded more than `retentionDays` ago (at least one day), but only where the path's
    // current copy is one of `knownIDs`; any other expired version becomes current again. Returns how many
    // were removed.
    std::int64_t pruneVersions(std::int64_t retentionDays, const std::unordered_set<std::string>& knownIDs,
                               const RunLog& log);

    // Deletes every copy of files missing for more than `graceDays` (at least one day), limited to the
    // `purgeableSources`; never under a folder the scan could not read, never a file the rules now exclude,
    // never one that is back on disk or whose folder cannot be listed. Returns how many files were removed.
    std::int64_t purgeDeletedFiles(std::int64_t graceDays,
                                   const std::unordered_set<std::string>& purgeableSources,
                                   const UncertainPaths& uncertain, bool excludeSystemJunk,
                                   bool excludeCaches, bool excludeDeveloperFolders,
                                   const std::vector<std::string>& customPatterns,
                                   const EngineEventHandler& onEvent);

    // One remote delete with up to three attempts (waits of 2 and 4 s on transient failures, not logged).
    void deleteRemote(const std::string& keldraFileID);

private:
    const EngineServices& services_;
    CancelToken cancel_;
};

} // namespace keldra
