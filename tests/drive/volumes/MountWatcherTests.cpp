#include "platform/volumes/LinuxVolumeProvider.h"
#include "platform/volumes/MountWatcher.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/QtApplicationTest.h"
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

// The watcher's notifier needs an application object and its event loop.
using MountWatcherTest = QtApplicationTest;

TEST_F(MountWatcherTest, ReportsVolumesMountedAndUnmountedBetweenReadings) {
    SyntheticTable table;
    table.write({});
    const LinuxVolumeProvider provider(table.root / "mountinfo", table.root / "disk");
    MountWatcher watcher(provider, table.root / "mountinfo");
    std::vector<VolumeChanges> heard;
    watcher.setHandler([&](const VolumeChanges& changes) { heard.push_back(changes); });
    ASSERT_TRUE(watcher.start());

    const MountedVolume usb{"/media/me/USB", "AAAA-1111", std::nullopt, false};
    const MountedVolume other{"/media/me/USB", "BBBB-2222", std::nullopt, false};
    const MountedVolume second{"/mnt/second", "BBBB-2222", std::nullopt, false};
    struct Step {
        const char* what;
        std::vector<std::string> lines;
        VolumeChanges expected;
    };
    const Step steps[] = {
        {"a drive plugged in", {table.mountLine(17, "sdb1", "/media/me/USB")}, {{usb}, {}}},
        {"nothing changed", {table.mountLine(17, "sdb1", "/media/me/USB")}, {}},
        {"another drive on the same place", {table.mountLine(33, "sdc1", "/media/me/USB")}, {{other}, {usb}}},
        {"mounted over: the hidden one is gone",
         {table.mountLine(33, "sdc1", "/media/me/USB"), table.mountLine(17, "sdb1", "/media/me/USB")},
         {{usb}, {other}}},
        {"two at once", {table.mountLine(33, "sdc1", "/mnt/second")}, {{second}, {usb}}},
        {"a system mount changes nothing",
         {table.mountLine(33, "sdc1", "/mnt/second"),
          "60 21 0:50 / /proc/sys/fs/binfmt_misc rw - binfmt_misc x rw"},
         {}},
        {"all unplugged", {}, {{}, {second}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        heard.clear();
        table.write(step.lines);
        watcher.check();
        if (step.expected.empty()) {
            EXPECT_TRUE(heard.empty());
        } else {
            ASSERT_EQ(heard.size(), 1u);
            EXPECT_EQ(heard[0], step.expected);
        }
    }

    MountWatcher missing(provider, table.root / "no-such-table");
    EXPECT_FALSE(missing.start());
}

TEST_F(MountWatcherTest, HearsARealMountAndUnmount) {
    TempDir temp;
    const fs::path point = fs::canonical(temp.path()) / "plugged";
    fs::create_directories(point);

    const LinuxVolumeProvider provider;
    MountWatcher watcher(provider);
    bool mounted = false;
    bool unmounted = false;
    watcher.setHandler([&](const VolumeChanges& changes) {
        mounted = mounted || lists(changes.mounted, point);
        unmounted = unmounted || lists(changes.unmounted, point);
    });
    ASSERT_TRUE(watcher.start());
    if (::mount("tmpfs", point.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights); the synthetic tables still "
                        "test the comparison";
    }
    const bool sawMount = processEventsUntil([&] { return mounted; });
    ::umount2(point.c_str(), MNT_DETACH);
    EXPECT_TRUE(sawMount) << "no change notification for the mount";
    EXPECT_TRUE(processEventsUntil([&] { return unmounted; })) << "no change notification for the unmount";
    EXPECT_FALSE(lists(provider.mountedVolumes(), point));
}

} // namespace
} // namespace keldra::test
