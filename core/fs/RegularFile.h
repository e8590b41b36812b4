#pragma once

#include "core/Bytes.h"
#include "core/Error.h"
#include "core/fs/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace keldra {

// The one way both backup engines open a file to copy it, and the drive code opens a file it reads from a
// drive: a link in the file's place is never followed, a pipe or device is never waited on, and anything
// but a regular file is refused (EINVAL). On failure the result is empty and `error` holds the errno value.
UniqueFd openRegularFile(const std::filesystem::path& path, int& error);

// At most `limit` bytes of a regular file opened as above. One byte beyond the size the scan saw already
// proves the file changed, so a file that grows (or is swapped for an endless one) cannot make us read on.
struct RegularFileRead {
    Bytes bytes;
    int error = 0; // errno of a failed open or read
};
RegularFileRead readRegularFile(const std::filesystem::path& path, std::int64_t limit);

// Size and modification time of the entry itself (a link is not followed); -1 and -1 when it cannot be read.
struct FileStamp {
    std::int64_t size = -1;
    double mtime = -1.0;
};
FileStamp fileStamp(const std::filesystem::path& path);

// The user's text for a file that could not be opened or read, by the errno value.
std::string readFailureText(int errorNumber);

// A file to copy that could not be opened or read; its message is readFailureText.
class SourceReadError final : public Error {
public:
    explicit SourceReadError(int errorNumber) : errorNumber_(errorNumber) {}
    int errorNumber() const { return errorNumber_; }
    std::string message() const override { return readFailureText(errorNumber_); }

private:
    int errorNumber_;
};

} // namespace keldra
