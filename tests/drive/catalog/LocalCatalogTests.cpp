// What a drive holds, read from the drive alone: object listing, catalog, device list and the conversion
// for the restore browser.

#include "drive/catalog/LocalCatalog.h"
#include "drive/format/LocalFormat.h"
#include "restore/catalog/RemoteCatalogConversion.h"
#include "tests/drive/format/DriveTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <string>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;
using Ids = std::set<std::string>;

const std::string idA = "aa000000000000000000000000000001";
const std::string idB = "ab000000000000000000000000000002";
const std::string idC = "c0000000000000000000000000000003";

fs::path objectFolder(const fs::path& device, const std::string& id) {
    return device / "objects" / id.substr(0, 2);
}

WrittenObject putObject(const fs::path& device, const std::string& id, const KeldraKey& key,
                        const std::string& path, double created, const Bytes& content = toBytes("data")) {
    return writeTestObject(objectFolder(device, id), id, content, key, path, created);
}

TEST(DriveObjectListing, NamesFoundAndSkipped) {
    TempDir dir;
    const auto device = dir / "dev";
    EXPECT_EQ(LocalCatalog::listObjects(device), Ids{}) << "no objects folder yet";
    fs::create_directories(device / "objects");
    EXPECT_EQ(LocalCatalog::listObjects(device), Ids{});

    writeFile(device / "objects" / "aa" / (idA + ".olo"), "x");
    writeFile(device / "objects" / "aa" / (".tmp-" + idA), "x");  // scratch
    writeFile(device / "objects" / "aa" / (".body-" + idA), "x"); // scratch
    writeFile(device / "objects" / "aa" / "notes.txt", "x");      // stray
    writeFile(device / "objects" / "zz" / "anything.olo", "x");   // listed whatever its name
    writeFile(device / "objects" / "zz" / "x.olo.bak", "x");
    writeFile(device / "objects" / "abc" / (idB + ".olo"), "x"); // not a fan-out folder
    writeFile(device / "objects" / (idC + ".olo"), "x");         // not inside a fan-out folder
    writeFile(device / "objects" / ".tmp-loose", "x");
    EXPECT_EQ(LocalCatalog::listObjects(device), (Ids{idA, "anything"}));

    // A two-character entry that is a plain file makes the whole listing fail, not a partial set.
    writeFile(device / "objects" / "ff", "x");
    EXPECT_EQ(LocalCatalog::listObjects(device), std::nullopt);
    fs::remove(device / "objects" / "ff");

    // "objects" that is not a folder is an unreadable drive, not an empty one.
    const auto other = dir / "dev2";
    writeFile(other / "objects", "x");
    EXPECT_EQ(LocalCatalog::listObjects(other), std::nullopt);
    EXPECT_TRUE(LocalCatalog::load(other, driveTestKey()).empty());
}

TEST(DriveCatalog, GroupsReadableSafeObjectsNewestFirst) {
    TempDir dir;
    const auto key = driveTestKey();
    const auto device = dir / "dev";
    const auto older = putObject(device, idA, key, "~/Documents/a.txt", 100, toBytes("one"));
    const auto newer = putObject(device, idB, key, "~/Documents/a.txt", 200, toBytes("second"));
    putObject(device, idC, key, "/etc/hosts", 150);
    putObject(device, "d0000000000000000000000000000004", driveTestKey(9), "~/other-passphrase", 100);
    putObject(device, "d1000000000000000000000000000005", key, "~/a/../../etc/passwd", 100);
    putObject(device, "d2000000000000000000000000000006", key, "relative/path", 100);
    putObject(device, "d3000000000000000000000000000007", key, "~/a//b", 100);
    writeFile(device / "objects" / "e0" / "e0000000000000000000000000000008.olo", "not an object at all");
    // Listed (by the name alone) but stored under another folder, so it cannot be opened.
    writeFile(device / "objects" / "ff" / "f0000000000000000000000000000009.olo", "x");

    const auto catalog = LocalCatalog::load(device, key);
    ASSERT_EQ(catalog.size(), 2u);
    const auto& versions = catalog.at("~/Documents/a.txt");
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].objectID, idB);
    EXPECT_EQ(versions[0].meta.created, 200);
    EXPECT_EQ(versions[0].meta.size, 6);
    EXPECT_EQ(versions[0].meta.hmac, newer.result.checksum);
    EXPECT_EQ(versions[1].objectID, idA);
    EXPECT_EQ(versions[1].meta.hmac, older.result.checksum);
    EXPECT_EQ(catalog.at("/etc/hosts").at(0).objectID, idC);

    EXPECT_TRUE(LocalCatalog::load(dir / "missing-device", key).empty());
}

TEST(DriveCatalog, ConvertsToTheRestoreCatalog) {
    TempDir dir;
    const auto key = driveTestKey();
    const auto device = dir / "dev";
    putObject(device, idA, key, "~/Documents/a.txt", 1700000100.75, toBytes("one"));
    putObject(device, idB, key, "~/Documents/a.txt", 1700000200.0, toBytes("second"));
    putObject(device, idC, key, "/srv/b", 1700000000.0);

    const auto catalog = LocalCatalog::load(device, key);
    const RemoteCatalog remote = LocalCatalog::toRemoteCatalog(catalog);
    EXPECT_TRUE(remote.unreadable.empty());
    EXPECT_EQ(remote.allIDs, (std::unordered_set<std::string>{idA, idB, idC}));
    ASSERT_EQ(remote.byPath.size(), 2u);
    const auto& entries = remote.byPath.at("~/Documents/a.txt");
    ASSERT_EQ(entries.size(), 2u);

    KeldraFile expected;
    expected.id = FlexID(idB);
    expected.sizeBytes = FlexInt(6);
    expected.checksumSha256 = catalog.at("~/Documents/a.txt")[0].meta.hmac;
    expected.createdAt = "2023-11-14T22:16:40Z";
    EXPECT_EQ(entries[0], (RemoteEntry{expected, "~/Documents/a.txt"}));
    EXPECT_EQ(entries[1].file.id.raw, idA);
    EXPECT_EQ(entries[1].file.createdAt, "2023-11-14T22:15:00Z") << "fractions of a second are dropped";
    EXPECT_FALSE(entries[1].file.encryptedName || entries[1].file.nameSealed ||
                 entries[1].file.originalName || entries[1].file.mimeType || entries[1].file.encryptionIv ||
                 entries[1].file.folderId || entries[1].file.updatedAt);

    const auto empty = LocalCatalog::toRemoteCatalog({});
    EXPECT_TRUE(empty.byPath.empty() && empty.allIDs.empty() && empty.unreadable.empty());
}

TEST(DriveDevices, ListedByIdWithTheirNames) {
    TempDir dir;
    const auto root = dir / "Orlivane Keldra Backup";
    EXPECT_TRUE(LocalCatalog::listDevices(root).empty()) << "no devices folder";

    fs::create_directories(LocalFormat::deviceFolder(root, "m2"));
    ASSERT_FALSE(LocalFormat::writeDeviceFile(LocalFormat::deviceFolder(root, "m2"), "Desk / office"));
    writeFile(root / "devices" / "m1" / "device.json", "[\"name\"]");
    writeFile(root / "devices" / "m3" / "device.json", R"({"label":"x"})");
    writeFile(root / "devices" / "m4" / "device.json", R"({"name":42})");
    writeFile(root / "devices" / "m5" / "device.json", "{broken");
    fs::create_directories(root / "devices" / "m0"); // no device.json
    writeFile(root / "devices" / "m6" / "device.json",
              R"({"name":")" + std::string(2 << 20, 'x') + "\"}"); // far too large
    writeFile(root / "devices" / "m7", "a plain file is listed too");
    fs::create_directories(root / "devices" / ".hidden");

    const std::vector<LocalCatalog::Device> expected = {
        {"m0", "m0"}, {"m1", "m1"}, {"m2", "Desk / office"}, {"m3", "m3"}, {"m4", "m4"}, {"m5", "m5"},
        {"m6", "m6"}, {"m7", "m7"},
    };
    EXPECT_EQ(LocalCatalog::listDevices(root), expected);
}

} // namespace
} // namespace keldra::test
