#include "core/settings/DeviceName.h"

#include "core/settings/BackupSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(DeviceName, FromModelText) {
    struct Case {
        std::string model;
        std::optional<std::string> localizedName;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"MacBookPro18,3\n", "x", "MacBook Pro"},
        {"MacBookAir10,1", "x", "MacBook Air"},
        {"MacBook10,1", "x", "MacBook"},
        {"iMac21,1", "x", "iMac"},
        {"Macmini9,1", "x", "Mac mini"},
        {"MacPro7,1", "x", "Mac Pro"},
        {"Mac13,1", "Anna's Mac Studio", "Mac Studio"},
        {"Mac14,3", "Mac mini in the Mac Pro rack", "Mac mini"},
        {"Mac14,3", "Office", "Mac"},
        {"Mac14,3", std::nullopt, "Mac"},
        {std::string("MacBookAir10,1\0junk", 19), "x", "MacBook Air"},
        {"XPS 13 9310\n", "x", "XPS 13 9310"},
        {"  ThinkPad X1 Carbon Gen 9  ", "x", "ThinkPad X1 Carbon Gen 9"},
        {"To be filled by O.E.M.\n", "x", "Computer"},
        {"System Product Name", "x", "Computer"},
        {"Default string", "x", "Computer"},
        {"", "x", "Computer"},
        {"\n", "x", "Computer"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(deviceNameForModel(c.model, c.localizedName), c.expected) << c.model;
    }
}

TEST(DeviceName, ComputerNameAndDefaultsFromFixtures) {
    test::TempDir dir;
    ComputerNameSources sources;
    sources.productNameFile = dir / "product_name";
    sources.machineInfoFile = dir / "machine-info";
    sources.hostName = [] {
        return std::string("host-7");
    };

    // Nothing readable: the host name, and the generic device name.
    EXPECT_EQ(computerLocalizedName(sources), "host-7");
    EXPECT_EQ(BackupSettings::defaultDeviceName(sources), "Computer");
    EXPECT_EQ(BackupSettings::defaultFolderName(sources), "Keldra Backup on host-7");

    test::writeFile(dir / "product_name", "Macmini9,1\n");
    const std::vector<std::pair<std::string, std::string>> machineInfo = {
        {"PRETTY_HOSTNAME=\"Anna's Laptop\"\nCHASSIS=laptop\n", "Anna's Laptop"},
        {"CHASSIS=laptop\nPRETTY_HOSTNAME=Studio\n", "Studio"},
        {"PRETTY_HOSTNAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
        {"PRETTY_HOSTNAME=\n", "host-7"},
        {"PRETTY_HOSTNAME=\"  \"\n", "host-7"},
    };
    for (const auto& [contents, expected] : machineInfo) {
        test::writeFile(dir / "machine-info", contents);
        EXPECT_EQ(computerLocalizedName(sources), expected) << contents;
        EXPECT_EQ(BackupSettings::defaultFolderName(sources), "Keldra Backup on " + expected);
    }
    EXPECT_EQ(BackupSettings::defaultDeviceName(sources), "Mac mini");
    EXPECT_EQ(BackupSettings::defaults(sources).deviceName, "Mac mini");

    // No name at all: the folder is named after the device.
    std::filesystem::remove(dir / "machine-info");
    sources.hostName = [] {
        return std::string();
    };
    EXPECT_EQ(computerLocalizedName(sources), std::nullopt);
    EXPECT_EQ(BackupSettings::defaultFolderName(sources), "Keldra Backup on Mac mini");
}

} // namespace
} // namespace keldra
