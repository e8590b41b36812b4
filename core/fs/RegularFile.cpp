#include "core/fs/RegularFile.h"

#include "core/fs/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace keldra {

UniqueFd openRegularFile(const std::filesystem::path& path, int& error) {
    error = 0;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        error = errno;
        return fd;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        error = errno;
        return UniqueFd();
    }
    if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
        return UniqueFd();
    }
    // Regular files never block; reads go on as usual.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        (void)::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

RegularFileRead readRegularFile(const std::filesystem::path& path, std::int64_t limit) {
    RegularFileRead attempt;
    const UniqueFd fd = openRegularFile(path, attempt.error);
    if (!fd) {
        return attempt;
    }
    attempt.bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(limit, 0)));
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

FileStamp fileStamp(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return {};
    }
    return {static_cast<std::int64_t>(info.st_size),
            static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9};
}

std::string readFailureText(int errorNumber) {
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return "Permission denied. Allow Orlivane Keldra in the folder's permissions.";
    case ENOENT:
    case ENOTDIR:
        return "Deleted before it could be backed up.";
    case ELOOP:
    case EINVAL:
        return "Replaced by a link or something else that isn't a regular file. Only regular files are "
               "backed up.";
    default:
        return "Couldn't read the file (" + std::string(std::strerror(errorNumber)) + ").";
    }
}

} // namespace keldra
