#pragma once

#include "service/types/FlexID.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// One file version to restore.
struct RestoreItem {
    FlexID fileID;                 // portal file id, or the drive object id
    std::string keldraPath;        // the stored path ("~/..." or "/...")
    std::int64_t size = 0;         // the version's size from the listing
    std::string relativePath;      // "/"-separated path below a chosen folder
    std::optional<std::string> iv; // base64 IV from the listing, when it has one

    friend bool operator==(const RestoreItem&, const RestoreItem&) = default;
};

} // namespace keldra
