#pragma once

#include <memory>
#include <sys/stat.h>

namespace keldra {

// One open folder being listed.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // The folder's descriptor, to open and examine its entries relative to it.
    virtual int fd() const = 0;
    // The next entry's name ("." and ".." left out), valid until the next call. Null at the end (error 0) or
    // on a read failure (error set to an errno value).
    virtual const char* next(int& error) = 0;
};

// The file-system calls of a scan. The real one is POSIX; tests put one in its place that fails chosen
// folders with EACCES, which running as root cannot otherwise show.
class ScanFileSystem {
public:
    virtual ~ScanFileSystem() = default;
    // Opens folder `name` inside the folder `at` (AT_FDCWD with an absolute path for a source) for listing. A
    // final symbolic link is followed only when followLink. Null on failure, with error set to an errno
    // value.
    virtual std::unique_ptr<DirectoryListing> openDirectory(int at, const char* name, bool followLink,
                                                            int& error) const = 0;
    // Metadata of `name` inside `at`; a final symbolic link is followed only when followLink. 0 or an errno
    // value.
    virtual int status(int at, const char* name, bool followLink, struct stat& out) const = 0;
};

// openat(O_DIRECTORY) + fdopendir + readdir, and fstatat.
class PosixScanFileSystem final : public ScanFileSystem {
public:
    std::unique_ptr<DirectoryListing> openDirectory(int at, const char* name, bool followLink,
                                                    int& error) const override;
    int status(int at, const char* name, bool followLink, struct stat& out) const override;
};

// The scan's file system: `chosen` where a test put one in place, else the real POSIX one.
const ScanFileSystem& chosenOrPosix(const ScanFileSystem* chosen);

} // namespace keldra
