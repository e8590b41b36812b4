#include "platform/volumes/LinuxVolumeProvider.h"
#include "platform/volumes/MountWatcher.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;

bool lists(const std::vector<MountedVolume>& volumes, const fs::path& mountPath) {
    return std::any_of(volumes.begin(), volumes.end(),
                       [&](const MountedVolume& volume) { return volume.mountPath == mountPath; });
}

// A mount table written by the test, with by-uuid links naming its devices.
struct SyntheticTable {
    SyntheticTable() : root(fs::canonical(temp.path())) {
        fs::create_directories(root / "disk" / "by-uuid");
        fs::create_directories(root / "disk" / "by-label");
        for (const char* device : {"sdb1", "sdc1"}) {
            writeFile(root / "dev" / device, "");
        }
        fs::create_symlink(root / "dev" / "sdb1", root / "disk" / "by-uuid" / "AAAA-1111");
        fs::create_symlink(root / "dev" / "sdc1", root / "disk" / "by-uuid" / "BBBB-2222");
    }
    void write(const std::vector<std::string>& extraLines) const {
        std::string text = "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                           "21 27 0:20 / /proc rw - proc proc rw\n";
        for (const std::string& line : extraLines) {
            text += line + "\n";
        }
        writeFile(root / "mountinfo", text);
    }
    std::string mountLine(int id, const std::string& device, const std::string& point) const {
        return std::to_string(id) + " 27 8:" + std::to_string(id) + " / " + point + " rw - exfat " +
               (root / "dev" / device).string() + " rw";
    }

    TempDir temp;
    fs::path root;
};

TEST(MountWatcher, ReportsVolumesMountedAndUnmountedBetweenReadings) {
    qtApp();
    SyntheticTable table;
    table.write({});
    const LinuxVolumeProvider provider(table.root / "mountinfo", table.root / "disk");
    MountWatcher watcher(provider, table.root / "mountinfo");
    std::vector<VolumeChange> heard;
    watcher.setOnChange([&](const VolumeChange& change) { heard.push_back(change); });
    ASSERT_TRUE(watcher.start());

    const auto mounted = [](const char* path) {
        return VolumeChange{VolumeChange::Kind::mounted, path};
    };
    const auto unmounted = [](const char* path) {
        return VolumeChange{VolumeChange::Kind::unmounted, path};
    };
    struct Step {
        const char* what;
        std::vector<std::string> lines;
        std::vector<VolumeChange> expected;
    };
    const Step steps[] = {
        {"a drive plugged in", {table.mountLine(17, "sdb1", "/media/me/USB")}, {mounted("/media/me/USB")}},
        {"nothing changed", {table.mountLine(17, "sdb1", "/media/me/USB")}, {}},
        {"another drive on the same place",
         {table.mountLine(33, "sdc1", "/media/me/USB")},
         {unmounted("/media/me/USB"), mounted("/media/me/USB")}},
        {"mounted over: the hidden one is gone",
         {table.mountLine(33, "sdc1", "/media/me/USB"), table.mountLine(17, "sdb1", "/media/me/USB")},
         {unmounted("/media/me/USB"), mounted("/media/me/USB")}},
        {"one leaves and one arrives at once",
         {table.mountLine(33, "sdc1", "/mnt/second")},
         {unmounted("/media/me/USB"), mounted("/mnt/second")}},
        {"a system mount changes nothing",
         {table.mountLine(33, "sdc1", "/mnt/second"),
          "60 21 0:50 / /proc/sys/fs/binfmt_misc rw - binfmt_misc x rw"},
         {}},
        {"all unplugged", {}, {unmounted("/mnt/second")}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        heard.clear();
        table.write(step.lines);
        watcher.check();
        EXPECT_EQ(heard, step.expected);
    }

    MountWatcher missing(provider, table.root / "no-such-table");
    EXPECT_FALSE(missing.start());
}

TEST(MountWatcher, HearsARealMountAndUnmount) {
    qtApp();
    TempDir temp;
    const fs::path point = fs::canonical(temp.path()) / "plugged";
    fs::create_directories(point);

    const LinuxVolumeProvider provider;
    MountWatcher watcher(provider);
    bool mounted = false;
    bool unmounted = false;
    watcher.setOnChange([&](const VolumeChange& change) {
        mounted = mounted || (change.kind == VolumeChange::Kind::mounted && change.mountPath == point);
        unmounted = unmounted || (change.kind == VolumeChange::Kind::unmounted && change.mountPath == point);
    });
    ASSERT_TRUE(watcher.start());
    if (::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights); the synthetic tables still "
                        "test the comparison";
    }
    const bool sawMount = runUntil([&] { return mounted; });
    ::umount2(point.c_str(), MNT_DETACH);
    EXPECT_TRUE(sawMount) << "no change notification for the mount";
    EXPECT_TRUE(runUntil([&] { return unmounted; })) << "no change notification for the unmount";
    EXPECT_FALSE(lists(provider.mountedVolumes(), point));
}

} // namespace
} // namespace keldra::test
