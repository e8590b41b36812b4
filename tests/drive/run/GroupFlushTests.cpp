// How a drive run flushes its groups: one syncfs only on the file systems and kernels where it is known to
// make every copy durable and to report every failure, each object and folder on its own everywhere else.

#include "drive/run/DriveFileSystem.h"
#include "drive/run/GroupFlush.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>

namespace keldra::test {
namespace {

TEST(GroupFlushChoice, OnlyProvenFileSystemsOnRecentKernelsFlushAsAWhole) {
    constexpr auto whole = GroupFlushMethod::wholeFileSystem;
    constexpr auto each = GroupFlushMethod::eachItem;
    struct Case {
        const char* name;
        std::uint64_t magic;
        const char* kernel;
        bool ext4Driver;
        GroupFlushMethod expected;
    };
    const Case cases[] = {
        {"ext4", 0xEF53, "6.1.0-18-amd64", true, whole},
        {"ext2/3 under the ext4 driver", 0xEF53, "5.17.0", true, whole},
        {"ext2 under its own driver", 0xEF53, "6.1.0-18-amd64", false, each},
        {"xfs", 0x58465342, "6.8.0-45-generic", false, whole},
        {"btrfs", 0x9123683E, "6.18.44-fc-v1523", false, whole},
        {"f2fs", 0xF2F52010, "10.0", false, whole},
        // Older kernels drop write-back errors (before 5.8) or journal commit errors (before 5.17).
        {"ext4 on 5.16", 0xEF53, "5.16.20", true, each},
        {"xfs on 5.8", 0x58465342, "5.8.0", false, each},
        {"btrfs on 4.19", 0x9123683E, "4.19.0-25-amd64", false, each},
        {"no release", 0xEF53, "", true, each},
        {"a release that is not a version", 0xEF53, "six.one", true, each},
        {"a major version only", 0xEF53, "6", true, each},
        // Where syncfs may not reach the device, or may flush nothing at all.
        {"vfat", 0x4d44, "6.8.0", false, each},
        {"exfat", 0x2011BAB0, "6.8.0", false, each},
        {"ntfs3", 0x7366746e, "6.8.0", false, each},
        {"FUSE (ntfs-3g)", 0x65735546, "6.8.0", false, each},
        {"NFS", 0x6969, "6.8.0", false, each},
        {"SMB", 0xFE534D42, "6.8.0", false, each},
        {"tmpfs", 0x01021994, "6.8.0", false, each},
        {"unknown", 0x12345678, "6.8.0", true, each},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseGroupFlush({c.magic, c.kernel, c.ext4Driver}), c.expected) << c.name;
    }
}

TEST(GroupFlushChoice, TheRunsDescriptorIsTheDeviceFolderAndAFailedSyncfsThrows) {
    TempDir temp;
    EXPECT_THROW((void)GroupFlush::open(temp / "missing"), std::system_error);
    const GroupFlush opened = GroupFlush::open(temp.path(), GroupFlushMethod::wholeFileSystem);
    EXPECT_GE(opened.folder(), 0);
    EXPECT_NO_THROW(RealDriveFileSystem().flushItems(opened, {}, {}));

    // A descriptor syncfs cannot use: the flush fails as a failed fsync does.
    try {
        RealDriveFileSystem().flushItems(GroupFlush(GroupFlushMethod::wholeFileSystem, UniqueFd()), {}, {});
        ADD_FAILURE() << "the flush did not fail";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EBADF);
    }
}

TEST(GroupFlushChoice, EachGroupFlushesOnADescriptorOfItsOwn) {
    TempDir temp;
    const GroupFlush first = GroupFlush::open(temp.path(), GroupFlushMethod::wholeFileSystem);
    const GroupFlush next = first.forNextGroup();
    EXPECT_EQ(next.method(), GroupFlushMethod::wholeFileSystem);
    struct stat firstFolder {};
    struct stat nextFolder {};
    ASSERT_EQ(::fstat(first.folder(), &firstFolder), 0);
    ASSERT_EQ(::fstat(next.folder(), &nextFolder), 0);
    EXPECT_EQ(firstFolder.st_ino, nextFolder.st_ino);
    EXPECT_EQ(firstFolder.st_dev, nextFolder.st_dev);
    // Not a duplicate: status flags belong to the open file description, and so does the error position a
    // syncfs reports from, so one group's flush cannot swallow the error the other must hear.
    ASSERT_EQ(::fcntl(first.folder(), F_SETFL, ::fcntl(first.folder(), F_GETFL) | O_NONBLOCK), 0);
    EXPECT_EQ(::fcntl(next.folder(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NO_THROW(RealDriveFileSystem().flushItems(next, {}, {}));
}

} // namespace
} // namespace keldra::test
