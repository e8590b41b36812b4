#pragma once

#include "core/seams/Clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// One backed-up source file, keyed by its Keldra path ("~/..." or absolute).
struct IndexedFile {
    std::string path;
    std::string sourceID;
    std::int64_t size = 0;
    double mtime = 0;                        // seconds since 1970
    std::optional<std::string> keyedHash;    // lowercase hex of the keyed checksum
    std::optional<std::string> keldraFileID; // the service's id of the current copy
    std::optional<double> backedUpAt;        // seconds since 1970
    std::optional<double> missingSince;      // seconds since 1970

    friend bool operator==(const IndexedFile&, const IndexedFile&) = default;
};

// One stored copy of a file.
struct IndexedVersion {
    std::string keldraFileID;
    std::string path;
    std::int64_t size = 0;
    double createdAt = 0;               // seconds since 1970
    std::optional<double> supersededAt; // absent while this is the current copy
    std::int64_t format = 1;

    friend bool operator==(const IndexedVersion&, const IndexedVersion&) = default;
};

// Stored in runs.status as its raw text.
enum class RunStatus { running, succeeded, partial, failed, cancelled, paused, blocked };

// "running", "succeeded", ...
std::string_view runStatusRawValue(RunStatus status);
// Unknown or absent text reads as failed, so a damaged row never looks like a good run.
RunStatus runStatusFromRawValue(std::optional<std::string_view> raw);

struct RunRecord {
    std::int64_t id = 0;
    SystemTime startedAt{};
    std::optional<SystemTime> finishedAt;
    RunStatus status = RunStatus::running;
    std::string trigger; // free text such as "Manual" or "Scheduled"
    std::int64_t scanned = 0;
    std::int64_t uploaded = 0;
    std::int64_t uploadedBytes = 0;
    std::int64_t skipped = 0;
    std::int64_t failed = 0;
    std::int64_t removed = 0;
    std::optional<std::string> message;

    friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

struct RunFailure {
    std::int64_t id = 0;
    std::string path;
    std::string reason;

    friend bool operator==(const RunFailure&, const RunFailure&) = default;
};

// Per-source figures for the Overview and Backups screens.
struct SourceStats {
    std::int64_t count = 0;
    std::int64_t bytes = 0;
    std::optional<double> lastBackedUpAt; // seconds since 1970

    friend bool operator==(const SourceStats&, const SourceStats&) = default;
};

} // namespace keldra
