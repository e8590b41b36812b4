#pragma once

#include "core/SaturatingMath.h"
#include "core/index/IndexRows.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// One file that change detection picked to be backed up, by a cloud run or a drive run.
struct Candidate {
    std::filesystem::path url; // where it is read on disk
    std::string path;          // its stored path ("~/..." or absolute)
    std::string sourceID;
    std::int64_t size = 0;               // as the scan saw it
    double mtime = 0;                    // as the scan saw it, seconds since 1970
    std::optional<IndexedFile> existing; // the files row of the path when the file was scanned
};

// The candidates' scanned sizes added up, held at the largest value rather than wrapping.
inline std::int64_t totalSize(const std::vector<Candidate>& candidates) {
    std::int64_t total = 0;
    for (const Candidate& candidate : candidates) {
        total = saturatingAdd(total, candidate.size);
    }
    return total;
}

} // namespace keldra
