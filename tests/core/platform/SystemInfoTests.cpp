#include "core/platform/AppVersion.h"
#include "keldra/BuildVersion.h"
#include "platform/identity/MachineIdentity.h"
#include "platform/memory/ProcMemoryInfo.h"
#include "platform/mime/SharedMimeTypes.h"
#include "platform/power/PolledPowerSource.h"
#include "platform/power/SysfsPowerSource.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace keldra {
namespace {

using test::TempDir;
using test::writeFile;

TEST(MachineIdentity, IsTheKeyedHashOfTheMachineIdNeverTheIdItself) {
    TempDir dir;
    const std::string machineId = "0123456789abcdef0123456789abcdef";
    writeFile(dir / "machine-id", machineId + "\n");
    const auto identifier = MachineIdentity(dir / "machine-id").deviceIdentifier();
    ASSERT_TRUE(identifier.has_value());
    // HMAC-SHA256(key "org.orlivane.keldra", the id's text), computed independently.
    EXPECT_EQ(*identifier, "695686a2919de78f18e9c8ef1519eeb1bc11227f67971ea682dea8003daa377b");
    EXPECT_EQ(identifier->find(machineId), std::string::npos);

    writeFile(dir / "other", "fedcba9876543210fedcba9876543210\n");
    EXPECT_NE(MachineIdentity(dir / "other").deviceIdentifier(), identifier);

    writeFile(dir / "blank", " \n");
    EXPECT_EQ(MachineIdentity(dir / "blank").deviceIdentifier(), std::nullopt);
    EXPECT_EQ(MachineIdentity(dir / "missing").deviceIdentifier(), std::nullopt);
}

TEST(SysfsPowerSource, BatteryOnlyWhenNoMainsIsOnlineAndASystemBatteryDischarges) {
    struct Supply {
        std::string name;
        std::string type;
        std::string online; // empty: no such attribute
        std::string status;
        std::string scope;
    };
    struct Case {
        const char* what;
        std::vector<Supply> supplies;
        bool onBattery;
    };
    const std::vector<Case> cases{
        {"desktop without supplies", {}, false},
        {"laptop on mains", {{"AC", "Mains", "1", "", ""}, {"BAT0", "Battery", "", "Charging", ""}}, false},
        {"laptop unplugged",
         {{"AC", "Mains", "0", "", ""}, {"BAT0", "Battery", "", "Discharging", ""}},
         true},
        {"full battery on mains",
         {{"AC", "Mains", "1", "", ""}, {"BAT0", "Battery", "", "Discharging", ""}},
         false},
        {"USB-C charger", {{"ucsi", "USB", "1", "", ""}, {"BAT1", "Battery", "", "Discharging", ""}}, false},
        {"only a mouse battery", {{"hid-mouse", "Battery", "", "Discharging", "Device"}}, false},
        {"battery not charging", {{"BAT0", "Battery", "", "Not charging", ""}}, false},
        {"unreadable attributes", {{"BAT0", "", "", "", ""}}, false},
    };
    for (const auto& c : cases) {
        TempDir root;
        for (const auto& supply : c.supplies) {
            const auto folder = root / supply.name;
            std::filesystem::create_directories(folder);
            const std::pair<const char*, std::string> attributes[] = {{"type", supply.type},
                                                                      {"online", supply.online},
                                                                      {"status", supply.status},
                                                                      {"scope", supply.scope}};
            for (const auto& [name, value] : attributes) {
                if (!value.empty()) {
                    writeFile(folder / name, value + "\n");
                }
            }
        }
        EXPECT_EQ(SysfsPowerSource(root.path()).isOnBatteryPower(), c.onBattery) << c.what;
    }
    EXPECT_FALSE(SysfsPowerSource("/nonexistent/power_supply").isOnBatteryPower());
}

// Reads sysfs, remembering on which thread.
class ThreadNotingPowerSource final : public PowerSource {
public:
    explicit ThreadNotingPowerSource(const std::filesystem::path& root) : sysfs_(root) {}
    bool isOnBatteryPower() const override {
        readOn_.store(std::this_thread::get_id());
        return sysfs_.isOnBatteryPower();
    }
    std::thread::id readOn() const { return readOn_.load(); }

private:
    SysfsPowerSource sysfs_;
    mutable std::atomic<std::thread::id> readOn_{};
};

// Waits (up to a generous bound) for a condition the polling thread makes true.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(PolledPowerSource, FollowsTheSupplyFromItsOwnThread) {
    TempDir root;
    std::filesystem::create_directories(root / "AC");
    std::filesystem::create_directories(root / "BAT0");
    writeFile(root / "AC" / "type", "Mains\n");
    writeFile(root / "AC" / "online", "0\n");
    writeFile(root / "BAT0" / "type", "Battery\n");
    writeFile(root / "BAT0" / "status", "Discharging\n");
    const ThreadNotingPowerSource sysfs(root.path());
    PolledPowerSource polled(sysfs, std::chrono::milliseconds(20));
    EXPECT_TRUE(eventually([&] { return polled.hasReading() && polled.isOnBatteryPower(); }));
    EXPECT_NE(sysfs.readOn(), std::this_thread::get_id()) << "never read on the asking thread";

    writeFile(root / "AC" / "online", "1\n");
    EXPECT_TRUE(eventually([&] { return !polled.isOnBatteryPower(); })) << "plugged in again";
}

TEST(ProcMemoryInfo, ReadsMemAvailableElseAQuarterOfPhysicalMemory) {
    TempDir dir;
    writeFile(dir / "meminfo", "MemTotal:       16314088 kB\nMemFree:         1234567 kB\n"
                               "MemAvailable:    8000000 kB\nBuffers:          100 kB\n");
    writeFile(dir / "old-kernel", "MemTotal:       16314088 kB\nMemFree:         1234567 kB\n");
    writeFile(dir / "garbled", "MemAvailable:    lots kB\n");
    const uint64_t physical = 16'000'000'000;
    EXPECT_EQ(ProcMemoryInfo(dir / "meminfo", physical).availableMemoryBytes(), 8'000'000ull * 1024);
    EXPECT_EQ(ProcMemoryInfo(dir / "old-kernel", physical).availableMemoryBytes(), 4'000'000'000ull);
    EXPECT_EQ(ProcMemoryInfo(dir / "garbled", physical).availableMemoryBytes(), 4'000'000'000ull);
    EXPECT_EQ(ProcMemoryInfo(dir / "missing", physical).availableMemoryBytes(), 4'000'000'000ull);
    EXPECT_GT(ProcMemoryInfo().availableMemoryBytes(), 0u);
}

TEST(SharedMimeTypes, ByExtensionWithOctetStreamForEverythingElse) {
    const SharedMimeTypes types;
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/home/a/photo.jpg", "image/jpeg"},
        {"/home/a/REPORT.PDF", "application/pdf"},
        {"/home/a/notes.txt", "text/plain"},
        {"/home/a/backup.tar.gz", "application/gzip"},
        {"/home/a/Makefile", "application/octet-stream"},
        {"/home/a/README", "application/octet-stream"},
        {"/home/a/.bashrc", "application/octet-stream"},
        {"/home/a/trailing.", "application/octet-stream"},
        {"/home/a/data.zzqqxx", "application/octet-stream"},
        {"/home/a/caf\xe9.jpg", "image/jpeg"},
    };
    for (const auto& [path, type] : cases) {
        EXPECT_EQ(types.mimeType(path), type) << path;
    }
}

TEST(AppVersion, BuildValuesWithFixedFallbacks) {
    EXPECT_EQ(appVersion(), build::shortVersion);
    EXPECT_EQ(buildNumber(), build::buildNumber);
    EXPECT_EQ(versionOrDefault(nullptr), "1.0");
    EXPECT_EQ(versionOrDefault(""), "1.0");
    EXPECT_EQ(versionOrDefault("2.4.1"), "2.4.1");
    EXPECT_EQ(buildNumberOrDefault(nullptr), "1");
    EXPECT_EQ(buildNumberOrDefault(""), "1");
    EXPECT_EQ(buildNumberOrDefault("317"), "317");
}

} // namespace
} // namespace keldra
