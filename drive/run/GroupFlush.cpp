#include "drive/run/GroupFlush.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <system_error>

namespace keldra {

namespace {

constexpr std::uint64_t ext4Magic = 0xEF53; // ext2, ext3 and ext4 alike
constexpr std::uint64_t xfsMagic = 0x58465342;
constexpr std::uint64_t btrfsMagic = 0x9123683E;
constexpr std::uint64_t f2fsMagic = 0xF2F52010;

// Linux 5.17 is the first whose syncfs reports both the write-back errors of any file (5.8) and a failed
// journal commit or log force (->sync_fs errors were dropped before); earlier, a failed group could look
// flushed.
constexpr int firstMajor = 5;
constexpr int firstMinor = 17;

// "6.1.0-18-amd64" → {6, 1}; anything else → nothing.
bool kernelAtLeast(std::string_view release, int major, int minor) {
    int gotMajor = 0;
    int gotMinor = 0;
    const char* end = release.data() + release.size();
    auto [afterMajor, majorError] = std::from_chars(release.data(), end, gotMajor);
    if (majorError != std::errc{} || afterMajor == end || *afterMajor != '.') {
        return false;
    }
    auto [afterMinor, minorError] = std::from_chars(afterMajor + 1, end, gotMinor);
    if (minorError != std::errc{}) {
        return false;
    }
    return gotMajor > major || (gotMajor == major && gotMinor >= minor);
}

// Whether the ext4 driver serves the block device `device`: it lists each file system it mounts under
// /sys/fs/ext4 by the device's name.
bool servedByExt4Driver(dev_t device) {
    const std::string block =
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(block, error);
    if (error || target.filename().empty()) {
        return false;
    }
    return std::filesystem::is_directory(std::filesystem::path("/sys/fs/ext4") / target.filename(), error);
}

UniqueFd openFolder(const std::filesystem::path& deviceFolder) {
    UniqueFd fd(::open(deviceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) {
        throw std::system_error(errno, std::generic_category(), "open the backup folder");
    }
    return fd;
}

} // namespace

GroupFlushMethod chooseGroupFlush(const DriveFileSystemFacts& facts) {
    if (!kernelAtLeast(facts.kernelRelease, firstMajor, firstMinor)) {
        return GroupFlushMethod::eachItem;
    }
    switch (facts.magic) {
    case ext4Magic:
        return facts.ext4Driver ? GroupFlushMethod::wholeFileSystem : GroupFlushMethod::eachItem;
    case xfsMagic:
    case btrfsMagic:
    case f2fsMagic:
        return GroupFlushMethod::wholeFileSystem;
    default:
        // FAT, exFAT, NTFS, FUSE, network and unknown file systems: syncfs may flush nothing there.
        return GroupFlushMethod::eachItem;
    }
}

GroupFlush GroupFlush::open(const std::filesystem::path& deviceFolder) {
    UniqueFd folder = openFolder(deviceFolder);
    struct statfs fileSystem {};
    struct stat status {};
    struct utsname kernel {};
    if (::fstatfs(folder.get(), &fileSystem) != 0 || ::fstat(folder.get(), &status) != 0 ||
        ::uname(&kernel) != 0) {
        return GroupFlush(GroupFlushMethod::eachItem, std::move(folder));
    }
    const auto magic =
        static_cast<std::uint64_t>(static_cast<unsigned long>(fileSystem.f_type)) & 0xFFFFFFFFu;
    const DriveFileSystemFacts facts{magic, kernel.release,
                                     magic == ext4Magic && servedByExt4Driver(status.st_dev)};
    return GroupFlush(chooseGroupFlush(facts), std::move(folder));
}

GroupFlush GroupFlush::open(const std::filesystem::path& deviceFolder, GroupFlushMethod method) {
    return GroupFlush(method, openFolder(deviceFolder));
}

GroupFlush GroupFlush::forNextGroup() const {
    // A new open file description, not a dup: a dup would share the error position of this one.
    UniqueFd folder(::openat(folder_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        throw std::system_error(errno, std::generic_category(), "open the backup folder");
    }
    return GroupFlush(method_, std::move(folder));
}

} // namespace keldra
