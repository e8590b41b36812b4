#pragma once

#include "core/Error.h"
#include "core/index/IndexRows.h"
#include "core/index/IndexWrite.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// What backing up one file did. Nothing was uploaded when keldraFileID is absent.
struct FileUpload {
    std::int64_t encryptedBytes = 0;
    std::optional<std::string> keldraFileID;
    std::string sealedName;
};

// A per-file failure that never ends the run: the file is counted, logged and tried again next run.
class FileError final : public Error {
public:
    enum class Kind {
        skip,       // left for the next run
        quota,      // the Keldra has no room for it
        unrecorded, // the index could not record it
    };

    static FileError skip(std::string reason) { return FileError(Kind::skip, std::move(reason)); }
    static FileError quota(std::string reason) { return FileError(Kind::quota, std::move(reason)); }
    static FileError unrecorded(const IndexWrite& write) {
        return FileError(Kind::unrecorded, unrecordedCopyReason(write), write);
    }
    // The index's failure behind an unrecorded file.
    const IndexWrite& indexWrite() const { return write_; }

    Kind kind() const { return kind_; }
    const std::string& reason() const { return reason_; }
    std::string message() const override { return reason_; }

private:
    FileError(Kind kind, std::string reason, IndexWrite write = {})
        : kind_(kind), reason_(std::move(reason)), write_(std::move(write)) {}
    Kind kind_;
    std::string reason_;
    IndexWrite write_;
};

} // namespace keldra
