#pragma once

#include "core/events/RunPhase.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// The live counters of a run, sent with every progress event.
struct RunProgress {
    RunPhase phase = RunPhase::preparing;
    // Files looked at by the scan so far.
    int64_t scanned = 0;
    // Files that need sending or copying in this run, and how many of them are done.
    int64_t filesTotal = 0;
    int64_t filesDone = 0;
    // Bytes that need sending or copying, and how many of them are done.
    int64_t bytesTotal = 0;
    int64_t bytesDone = 0;
    int64_t failed = 0;
    // The file being worked on, for display.
    std::optional<std::string> currentPath;
    // The name of the target the run writes to, for display.
    std::optional<std::string> destination;

    friend bool operator==(const RunProgress&, const RunProgress&) = default;
};

} // namespace keldra
