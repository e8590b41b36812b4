#pragma once

#include "core/SaturatingMath.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// How far a restore run is.
struct RestoreProgress {
    int total = 0;
    int done = 0;
    std::int64_t bytesTotal = 0;
    std::int64_t bytesDone = 0;
    std::optional<std::string> current; // the stored path in work

    // Listed sizes are not trusted: sums clamp instead of wrapping.
    void addBytesTotal(std::int64_t bytes) { bytesTotal = saturatingAdd(bytesTotal, bytes); }
    void addBytesDone(std::int64_t bytes) { bytesDone = saturatingAdd(bytesDone, bytes); }

    friend bool operator==(const RestoreProgress&, const RestoreProgress&) = default;
};

struct RestoreFailure {
    std::string path;
    std::string reason;
};

// The result of one restore run.
struct RestoreSummary {
    int restored = 0;
    std::int64_t restoredBytes = 0;
    std::vector<RestoreFailure> failures;
    bool cancelled = false;
    std::optional<std::filesystem::path> lastWritten;

    void addRestoredBytes(std::int64_t bytes) { restoredBytes = saturatingAdd(restoredBytes, bytes); }

    // The failure texts and the last written file take no part.
    friend bool operator==(const RestoreSummary& a, const RestoreSummary& b) {
        return a.restored == b.restored && a.restoredBytes == b.restoredBytes &&
               a.failures.size() == b.failures.size() && a.cancelled == b.cancelled;
    }
};

} // namespace keldra
