#include "restore/engine/NoReplaceRename.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <unistd.h>

namespace keldra {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// Reserves `to` with an empty file of our own, then renames over it: the exclusive create is the check,
// so nothing that appeared before it is replaced.
std::error_code renameOverPlaceholder(const std::filesystem::path& from, const std::filesystem::path& to) {
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return lastError();
    }
    ::close(fd);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const auto error = lastError();
        ::unlink(to.c_str());
        return error;
    }
    return {};
}

} // namespace

std::error_code renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (!unsupported(errno)) {
        return lastError();
    }
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EPERM || errno == EMLINK || unsupported(errno)) {
        return renameOverPlaceholder(from, to);
    }
    return lastError();
}

} // namespace keldra
