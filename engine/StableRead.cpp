#include "core/fs/FdIo.h"
#include "core/fs/UniqueFd.h"
#include "engine/FileBackup.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {

namespace {

struct ReadAttempt {
    Bytes bytes;
    int error = 0; // errno of a failed open or read
};

// Reads at most `limit` bytes: one byte beyond the size the scan saw already proves the file changed, so a
// file that grew meanwhile can never make us hold more than that in memory.
ReadAttempt readUpTo(const std::filesystem::path& path, std::int64_t limit) {
    ReadAttempt attempt;
    // No following of a link put in the file's place, and no waiting on a pipe.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        attempt.error = errno;
        return attempt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        attempt.error = errno;
        return attempt;
    }
    if (!S_ISREG(info.st_mode)) {
        attempt.error = EINVAL;
        return attempt;
    }
    const std::int64_t capacity = std::max<std::int64_t>(limit, 0);
    attempt.bytes.resize(static_cast<std::size_t>(capacity));
    int error = 0;
    const std::size_t filled = readFully(fd.get(), attempt.bytes.data(), attempt.bytes.size(), error);
    if (error != 0) {
        attempt.error = error;
        attempt.bytes.clear();
        return attempt;
    }
    attempt.bytes.resize(filled);
    return attempt;
}

struct SizeAndTime {
    std::int64_t size = -1;
    double mtime = -1.0;
};

SizeAndTime currentSizeAndTime(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return {};
    }
    return {static_cast<std::int64_t>(info.st_size),
            static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9};
}

} // namespace

std::string readFailureText(int errorNumber) {
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return "Permission denied. Allow Orlivane Keldra in the folder's permissions.";
    case ENOENT:
    case ENOTDIR:
        return "Deleted before it could be backed up.";
    default:
        return "Couldn't read the file (" + std::string(std::strerror(errorNumber)) + ").";
    }
}

Bytes FileBackup::readStable(const Candidate& candidate) {
    const std::int64_t limit =
        candidate.size < std::numeric_limits<std::int64_t>::max() ? candidate.size + 1 : candidate.size;
    for (int pass = 1;; ++pass) {
        ReadAttempt attempt = readUpTo(candidate.url, limit);
        if (attempt.error != 0) {
            throw FileError::skip(readFailureText(attempt.error));
        }
        const auto bytesRead = static_cast<std::int64_t>(attempt.bytes.size());
        const SizeAndTime now = currentSizeAndTime(candidate.url);
        const bool stable = bytesRead == candidate.size && now.size == bytesRead &&
                            std::fabs(now.mtime - candidate.mtime) < 0.001;
        if (stable) {
            return std::move(attempt.bytes);
        }
        if (pass >= 2) {
            throw FileError::skip("Changed while it was being backed up. It'll be tried again next run.");
        }
        services_.sleeper.sleepOrThrow(Seconds(1.0), cancel_);
    }
}

} // namespace keldra
