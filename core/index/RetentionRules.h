#pragma once

#include "core/index/BackupIndex.h"
#include "core/seams/Clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

namespace keldra {

// What the cloud and the drive clean-up share: when a period has passed, and when an old version may go.

// The moment `days` (at least one) before `now`, in seconds since 1970: what is older has passed.
double periodCutoff(SystemTime now, std::int64_t days);

// Whether a superseded version may be removed: only while the path's current copy (`row`) is another one
// and is known to exist, so the version is never the last copy left.
bool newerCopyIsKnown(const std::optional<IndexedFile>& row, const std::string& versionID,
                      const std::unordered_set<std::string>& knownIDs);

// Makes an expired version current again (no superseded time), for a path whose newer copy is not known.
bool makeCurrentAgain(BackupIndex& index, const IndexedVersion& version);

} // namespace keldra
