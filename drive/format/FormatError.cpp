#include "drive/format/FormatError.h"

namespace keldra::LocalFormat {

std::string FormatError::message() const {
    switch (kind_) {
    case Kind::io:
        return ioMessage_;
    case Kind::notAnObject:
        return "Not a Orlivane Keldra backup file.";
    case Kind::badHeader:
        return "The backup file's header is damaged.";
    case Kind::authFailed:
        return "The backup file is damaged or was made with a different key.";
    case Kind::truncated:
        return "The backup file is incomplete.";
    }
    return ioMessage_;
}

StoredCopyFault FormatError::storedCopyFault() const {
    switch (kind_) {
    case Kind::authFailed:
        return StoredCopyFault::damaged;
    case Kind::truncated:
        return StoredCopyFault::incomplete;
    default:
        return StoredCopyFault::none;
    }
}

} // namespace keldra::LocalFormat
