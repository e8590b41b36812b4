#include "platform/volumes/LinuxVolumeProvider.h"
#include "platform/volumes/MountInfo.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;

TEST(MountInfo, ParsesLinesWithEscapesAndOptionalFields) {
    const std::string text =
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 27 8:17 / /media/me/My\\040Drive rw,nosuid shared:5 master:2 - exfat /dev/sdb1 rw\n"
        "21 27 0:20 / /proc rw - proc proc rw\n"
        "garbage line\n"
        "50 27 0:44 / /run/media/me/USB rw - vfat /dev/sdc1 rw";
    const auto entries = parseMountInfo(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (MountEntry{254, 0, "/", "ext4", "/dev/vda"}));
    EXPECT_EQ(entries[1], (MountEntry{8, 17, "/media/me/My Drive", "exfat", "/dev/sdb1"}));
    EXPECT_TRUE(isSystemMount(entries[2]));
    EXPECT_FALSE(isSystemMount(entries[0]));
    EXPECT_FALSE(isSystemMount(entries[1]));
    EXPECT_FALSE(isSystemMount(entries[3]));
    EXPECT_TRUE(isSystemMount(MountEntry{0, 30, "/run/user/1000", "tmpfs", "tmpfs"}));
    EXPECT_EQ(unescapeMountField("a\\134b\\011c\\9"), "a\\b\tc\\9");
    EXPECT_EQ(unescapeUdevName("My\\x20Drive\\x2"), "My Drive\\x2");
}

TEST(LinuxVolumeProvider, ReadsUUIDAndLabelFromTheDiskLinks) {
    TempDir temp;
    const fs::path root = fs::canonical(temp.path());
    // A device node stand-in: the links lead to the mount's source path.
    writeFile(root / "dev" / "sdz1", "");
    fs::create_directories(root / "disk" / "by-uuid");
    fs::create_directories(root / "disk" / "by-label");
    fs::create_symlink(root / "dev" / "sdz1", root / "disk" / "by-uuid" / "1234-ABCD");
    fs::create_symlink(root / "dev" / "sdz1", root / "disk" / "by-label" / "My\\x20Drive");
    fs::create_directories(root / "mnt" / "usb" / "sub");
    writeFile(root / "mountinfo", "1 0 254:0 / / rw - ext4 /dev/vda rw\n"
                                  "2 1 0:99 / " +
                                      (root / "mnt" / "usb").string() + " rw - vfat " +
                                      (root / "dev" / "sdz1").string() +
                                      " rw\n"
                                      "3 1 0:20 / /proc rw - proc proc rw\n");
    const LinuxVolumeProvider provider(root / "mountinfo", root / "disk");

    const auto volumes = provider.mountedVolumes();
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].mountPath, "/");
    EXPECT_TRUE(volumes[0].isRoot);
    EXPECT_EQ(volumes[1], (MountedVolume{root / "mnt" / "usb", "1234-ABCD", "My Drive", false}));

    EXPECT_EQ(provider.volumeFor(root / "mnt" / "usb" / "sub"), volumes[1]);
    EXPECT_EQ(provider.volumeFor(root / "dev")->mountPath, "/");
    EXPECT_FALSE(provider.volumeFor("/proc/self"));
}

TEST(LinuxVolumeProvider, SeesARealMountAndItsFreeSpace) {
    TempDir temp;
    const fs::path point = fs::canonical(temp.path()) / "small";
    fs::create_directories(point);
    if (::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=4m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights)";
    }
    fs::create_directories(point / "folder");
    const LinuxVolumeProvider provider;
    const auto volume = provider.volumeFor(point / "folder");
    const auto free = provider.availableCapacity(point / "folder");
    bool listed = false;
    for (const MountedVolume& mounted : provider.mountedVolumes()) {
        listed = listed || mounted.mountPath == point;
    }
    ::umount2(point.c_str(), MNT_DETACH);

    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->mountPath, point);
    EXPECT_FALSE(volume->isRoot);
    EXPECT_TRUE(listed);
    ASSERT_TRUE(free);
    EXPECT_GT(*free, 3 * 1024 * 1024);
    EXPECT_LE(*free, 4 * 1024 * 1024);
    // Unmounted, the folder left behind belongs to the volume below it.
    EXPECT_NE(provider.volumeFor(point)->mountPath, point);
}

} // namespace
} // namespace keldra::test
