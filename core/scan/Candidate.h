#pragma once

#include "core/index/IndexRows.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

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

} // namespace keldra
