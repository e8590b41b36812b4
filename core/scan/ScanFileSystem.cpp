#include "core/scan/ScanFileSystem.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace keldra {

namespace {

class PosixDirectoryListing final : public DirectoryListing {
public:
    explicit PosixDirectoryListing(DIR* dir) : dir_(dir) {}
    ~PosixDirectoryListing() override { ::closedir(dir_); }
    PosixDirectoryListing(const PosixDirectoryListing&) = delete;
    PosixDirectoryListing& operator=(const PosixDirectoryListing&) = delete;

    int fd() const override { return ::dirfd(dir_); }

    const char* next(int& error) override {
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir_);
            if (entry == nullptr) {
                error = errno;
                return nullptr;
            }
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                error = 0;
                return name;
            }
        }
    }

private:
    DIR* dir_;
};

} // namespace

std::unique_ptr<DirectoryListing> PosixScanFileSystem::openDirectory(int at, const char* name,
                                                                     bool followLink, int& error) const {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::openat(at, name, flags);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    error = 0;
    return std::make_unique<PosixDirectoryListing>(dir);
}

int PosixScanFileSystem::status(int at, const char* name, bool followLink, struct stat& out) const {
    return ::fstatat(at, name, &out, followLink ? 0 : AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

const ScanFileSystem& chosenOrPosix(const ScanFileSystem* chosen) {
    static const PosixScanFileSystem posix;
    return chosen ? *chosen : posix;
}

} // namespace keldra
