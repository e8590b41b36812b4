#pragma once

#include "core/fs/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace keldra {

// How a drive run makes a group of copies durable before it records them.
enum class GroupFlushMethod {
    // fsync each object, then each folder that names one: right on every file system.
    eachItem,
    // One syncfs for the whole file system: fewer, larger flushes, but only where syncfs is known to write
    // back every dirty page and inode, commit the journal, flush the device's cache and report any
    // write-back error (docs/ARCHITECTURE.md, "Drive copies").
    wholeFileSystem,
};

// The drive as the run found it when it started: the statfs magic of its file system, the running kernel's
// release (uname) and whether the ext4 driver serves it (the ext2/3/4 magic is shared with the old ext2
// driver, whose syncfs leaves the device's cache unflushed).
struct DriveFileSystemFacts {
    std::uint64_t magic = 0;
    std::string_view kernelRelease;
    bool ext4Driver = false;
};

GroupFlushMethod chooseGroupFlush(const DriveFileSystemFacts& facts);

// One group's flushing: the method, fixed as the run starts, and a descriptor of the device folder opened
// before any object of the group was written, so a whole-file-system flush on it reports every write-back
// error since. A descriptor reports each error once: a group flushed while the next is written needs its own.
class GroupFlush {
public:
    GroupFlush(GroupFlushMethod method, UniqueFd folder) : method_(method), folder_(std::move(folder)) {}

    // Opens `deviceFolder` and chooses the method for its file system. Throws std::system_error.
    static GroupFlush open(const std::filesystem::path& deviceFolder);
    // As open, with the method given (tests: the method must not depend on where the temporary folder is).
    static GroupFlush open(const std::filesystem::path& deviceFolder, GroupFlushMethod method);

    // The next group's: the same method and folder, on a descriptor of its own opened now. Throws
    // std::system_error.
    GroupFlush forNextGroup() const;

    GroupFlushMethod method() const { return method_; }
    int folder() const { return folder_.get(); }

private:
    GroupFlushMethod method_;
    UniqueFd folder_;
};

} // namespace keldra
