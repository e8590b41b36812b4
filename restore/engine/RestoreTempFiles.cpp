#include "restore/engine/RestoreTempFiles.h"

#include "core/codec/Uuid.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view tempPrefix = ".keldra-restore-";
constexpr std::string_view tempSuffix = ".tmp";
constexpr std::size_t uuidLength = 36;

// A name taken away or held by another between its creation and its lock is given up for a fresh one; a
// folder where that keeps happening is not worth chasing for ever.
constexpr int maxCreateAttempts = 100;

// The lock covers the whole file. Locks of open file descriptions, not of processes: two restores in one
// process exclude each other as two processes do, and closing any other descriptor of the file keeps it.
bool lockWhole(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    for (;;) {
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `name` in the folder still is the file open at `fd`.
bool stillNamed(int folderFd, const char* name, int fd) {
    struct stat named {};
    struct stat open {};
    return ::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           sameFile(named, open);
}

} // namespace

fs::path restoreTempPathFor(const fs::path& target) {
    return target.parent_path() / (std::string(tempPrefix) + makeUuid() + std::string(tempSuffix));
}

RestoreTempFile createRestoreTempFile(const fs::path& target) {
    int error = 0;
    for (int attempt = 0; attempt < maxCreateAttempts; ++attempt) {
        fs::path temp = restoreTempPathFor(target);
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!fd) {
            error = errno;
            break;
        }
        // Until the lock is taken another restore may see the file as left behind and remove it: only a
        // file still under its name once locked is ours. One that another holds is left to that one.
        if (!lockWhole(fd.get(), F_WRLCK)) {
            if (errno == EAGAIN || errno == EACCES) {
                error = errno;
                continue;
            }
            // A file system without locks: the file goes unlocked, and no restore clears such files.
            return RestoreTempFile{std::move(temp), std::move(fd)};
        }
        struct stat named {};
        struct stat open {};
        if (::lstat(temp.c_str(), &named) == 0 && ::fstat(fd.get(), &open) == 0 && sameFile(named, open)) {
            return RestoreTempFile{std::move(temp), std::move(fd)};
        }
        error = ENOENT;
    }
    throw fs::filesystem_error("Couldn't create the restored file", target,
                               std::error_code(error, std::generic_category()));
}

bool isRestoreTempName(std::string_view name) {
    if (name.size() != tempPrefix.size() + uuidLength + tempSuffix.size() || !name.starts_with(tempPrefix) ||
        !name.ends_with(tempSuffix)) {
        return false;
    }
    const std::string_view uuid = name.substr(tempPrefix.size(), uuidLength);
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? uuid[i] != '-' : !std::isxdigit(static_cast<unsigned char>(uuid[i]))) {
            return false;
        }
    }
    return true;
}

void removeStaleRestoreTempFiles(const fs::path& folder) noexcept {
    UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        return;
    }
    // The listing gets a descriptor of its own; folderFd stays for the lookups.
    const int listingFd = ::dup(folderFd.get());
    if (listingFd < 0) {
        return;
    }
    DIR* listing = ::fdopendir(listingFd);
    if (listing == nullptr) {
        ::close(listingFd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (!isRestoreTempName(entry->d_name)) {
            continue;
        }
        struct stat info {};
        if (::fstatat(folderFd.get(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode)) {
            continue;
        }
        // Never follows a link, never waits on a pipe that took the name meanwhile.
        UniqueFd fd(::openat(folderFd.get(), entry->d_name,
                             O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        // A running restore holds its file's lock until the file is in place or gone. Holding the lock
        // ourselves, the file is removed only while the name still leads to it.
        if (lockWhole(fd.get(), F_RDLCK) && stillNamed(folderFd.get(), entry->d_name, fd.get())) {
            ::unlinkat(folderFd.get(), entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

void StaleTempSweep::clear(const fs::path& folder) {
    {
        std::lock_guard lock(mutex_);
        if (!done_.insert(folder).second) {
            return;
        }
    }
    removeStaleRestoreTempFiles(folder);
}

} // namespace keldra
