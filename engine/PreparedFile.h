#pragma once

#include "core/Bytes.h"

#include <string>

namespace keldra {

// One file read, checksummed and, when it needs uploading, sealed before its turn. It stands for the file
// only while the file still has the size and time the scan saw; otherwise the file is read again at its turn.
struct PreparedFile {
    std::string checksum;
    // False when the file is recorded without upload (its content is the copy the index or the listing
    // already has), so there was nothing to seal.
    bool sealed = false;
    Bytes iv;
    Bytes body;
    std::string sealedName;
};

} // namespace keldra
