#include "drive/destination/LocalDestination.h"
#include "tests/support/FakeVolumeProvider.h"
#include "tests/support/MemoryKeyValueStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;

class LocalDestinationTest : public ::testing::Test {
protected:
    LocalDestinationTest() {
        fs::create_directories(drive);
        volumes.mount(MountedVolume{"/", std::nullopt, std::nullopt, true});
        volumes.mount(MountedVolume{drive, "UUID-1", "Travel Drive", false});
    }

    std::optional<LocalDestination> pick(const fs::path& folder) {
        return LocalDestination::fromFolder(folder, volumes, clock);
    }

    TempDir temp;
    fs::path drive = fs::canonical(temp.path()) / "media" / "Travel Drive";
    FakeVolumeProvider volumes;
    VirtualClock clock;
};

TEST_F(LocalDestinationTest, PickingAFolderPlacesItOnItsVolume) {
    fs::create_directories(drive / "Backups" / "Keldra");
    fs::create_directories(drive / "Orlivane Keldra Backup");
    fs::create_directories(temp / "elsewhere");
    fs::create_symlink(drive / "Backups", temp / "shortcut");
    struct Case {
        const char* name;
        fs::path folder;
        std::string folderInVolume;
        bool onDrive;
    };
    const std::vector<Case> cases = {
        {"top folder", drive, "", true},
        {"existing backup root means its parent", drive / "Orlivane Keldra Backup", "", true},
        {"a folder inside", drive / "Backups" / "Keldra", "Backups/Keldra", true},
        {"through a symbolic link", temp / "shortcut" / "Keldra", "Backups/Keldra", true},
        {"on the boot volume", temp / "elsewhere", fs::canonical(temp / "elsewhere").string().substr(1),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto destination = pick(c.folder);
        ASSERT_TRUE(destination);
        EXPECT_EQ(destination->folderInVolume, c.folderInVolume);
        EXPECT_TRUE(destination->enabled);
        EXPECT_EQ(destination->addedAt, clock.now());
        EXPECT_EQ(destination->id.size(), 36u);
        if (c.onDrive) {
            EXPECT_EQ(destination->name, "Travel Drive");
            EXPECT_EQ(destination->volumeUUID, "UUID-1");
            EXPECT_EQ(destination->volumePathAtAdd, drive.string());
            EXPECT_FALSE(destination->isBootVolume);
        } else {
            EXPECT_EQ(destination->volumePathAtAdd, "/");
            EXPECT_TRUE(destination->isBootVolume);
            EXPECT_FALSE(destination->volumeUUID);
        }
    }
    EXPECT_FALSE(pick(temp / "does-not-exist"));
}

// Reports one volume for any path, as a confused mount table might.
class OneVolumeProvider final : public VolumeProvider {
public:
    explicit OneVolumeProvider(MountedVolume volume) : volume_(std::move(volume)) {}
    std::vector<MountedVolume> mountedVolumes() const override { return {volume_}; }
    std::optional<MountedVolume> volumeFor(const fs::path&) const override { return volume_; }
    std::optional<std::int64_t> availableCapacity(const fs::path&) const override { return std::nullopt; }

private:
    MountedVolume volume_;
};

TEST_F(LocalDestinationTest, AFolderOutsideItsVolumeGivesNoDestination) {
    fs::create_directories(temp / "other");
    fs::create_directories(drive / "inside");
    fs::create_symlink(drive, temp / "drive-link");
    // The volume named by a path through a symbolic link still holds its folders.
    const OneVolumeProvider linked(MountedVolume{temp / "drive-link", "U", "Drive", false});
    const auto inside = LocalDestination::fromFolder(drive / "inside", linked, clock);
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->folderInVolume, "inside");
    // A folder that is not below the volume is refused, never taken as the volume's top folder.
    EXPECT_FALSE(LocalDestination::fromFolder(temp / "other", linked, clock));
}

TEST_F(LocalDestinationTest, TheVolumeIsFoundByUUIDOrElseByItsMountPath) {
    LocalDestination withUUID = *pick(drive);
    EXPECT_EQ(withUUID.mountedVolumeURL(volumes), drive);

    // The same drive mounted under another name.
    const fs::path renamed = temp / "media" / "Travel Drive1";
    fs::create_directories(renamed);
    volumes.unmountAll();
    volumes.mount(MountedVolume{renamed, "UUID-1", "Travel Drive", false});
    EXPECT_EQ(withUUID.mountedVolumeURL(volumes), renamed);
    EXPECT_EQ(withUUID.backupFolderPath(volumes), (renamed / "Orlivane Keldra Backup").string());

    LocalDestination withoutUUID = withUUID;
    withoutUUID.volumeUUID.reset();
    withoutUUID.volumePathAtAdd = drive.string() + "/";
    EXPECT_FALSE(withoutUUID.isConnected(volumes));
    volumes.mount(MountedVolume{drive, std::nullopt, std::nullopt, false});
    EXPECT_EQ(withoutUUID.mountedVolumeURL(volumes), drive);
    // Another volume at the old path is not the drive that has a UUID.
    volumes.unmountAll();
    volumes.mount(MountedVolume{drive, "UUID-2", "Other", false});
    EXPECT_FALSE(withUUID.isConnected(volumes));
    EXPECT_FALSE(withUUID.backupFolderPath(volumes));
}

TEST_F(LocalDestinationTest, Availability) {
    LocalDestination destination = *pick(drive);
    destination.folderInVolume = "Backups";
    const fs::path root = drive / "Backups" / "Orlivane Keldra Backup";

    EXPECT_EQ(destination.availability(volumes), LocalDestination::Availability::folderMissing());
    EXPECT_FALSE(fs::exists(drive / "Backups"));

    fs::create_directories(drive / "Backups");
    EXPECT_EQ(destination.availability(volumes), LocalDestination::Availability::connected(root));
    // Only the backup root was made again after it alone was deleted.
    fs::remove_all(root);
    EXPECT_EQ(destination.availability(volumes), LocalDestination::Availability::connected(root));
    EXPECT_TRUE(fs::is_directory(root));

    // Unmounted: the mount point left behind as an empty folder is not the drive, and nothing is made in it.
    fs::remove_all(drive / "Backups");
    volumes.unmountAll();
    EXPECT_EQ(destination.availability(volumes), LocalDestination::Availability::notConnected());
    EXPECT_TRUE(fs::is_empty(drive));
}

TEST_F(LocalDestinationTest, AReadOnlyVolumeIsNotWritable) {
    LocalDestination destination = *pick(drive);
    if (::mount("tmpfs", drive.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights)";
    }
    fs::create_directories(drive / "Orlivane Keldra Backup");
    const bool remounted = ::mount(nullptr, drive.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    const auto availability = destination.availability(volumes);
    ::umount2(drive.c_str(), MNT_DETACH);
    ASSERT_TRUE(remounted);
    EXPECT_EQ(availability, LocalDestination::Availability::notWritable());
}

TEST_F(LocalDestinationTest, FreeSpaceComesFromTheVolume) {
    volumes.setFreeSpace(std::int64_t{123456});
    EXPECT_EQ(LocalDestination::availableCapacity(drive, volumes), 123456);
    volumes.setFreeSpace(std::nullopt);
    EXPECT_FALSE(LocalDestination::availableCapacity(drive, volumes));
}

TEST(LocalDestinationList, SavedPerAccountAndReadBackStrictly) {
    MemoryKeyValueStore store;
    LocalDestination a{"11111111-2222-3333-4444-555555555555",
                       "Travel Drive",
                       "UUID-1",
                       "/media/me/Travel Drive",
                       "Backups",
                       true,
                       fromReferenceSeconds(700000000.5),
                       false};
    LocalDestination b{"AAAAAAAA-2222-3333-4444-555555555555",
                       "Computer",
                       std::nullopt,
                       "/",
                       "home/me/keldra",
                       false,
                       fromReferenceSeconds(1),
                       true};
    LocalDestination::saveAll(store, "abc123", {a, b});

    const auto json = store.value("destinations.abc123");
    ASSERT_TRUE(json);
    EXPECT_EQ((*json)[0]["addedAt"], 700000000.5);
    EXPECT_FALSE((*json)[1].contains("volumeUUID"));
    EXPECT_EQ(LocalDestination::loadAll(store, "abc123"), (std::vector<LocalDestination>{a, b}));
    EXPECT_TRUE(LocalDestination::loadAll(store, "other").empty());

    // One record without "enabled" makes the whole list unreadable.
    nlohmann::json broken = *json;
    broken[1].erase("enabled");
    store.setValue("destinations.abc123", broken);
    EXPECT_TRUE(LocalDestination::loadAll(store, "abc123").empty());
    // So does a date beyond what the clock can hold.
    nlohmann::json farOff = *json;
    farOff[0]["addedAt"] = 1e300;
    store.setValue("destinations.abc123", farOff);
    EXPECT_TRUE(LocalDestination::loadAll(store, "abc123").empty());
    store.setValue("destinations.abc123", "not a list");
    EXPECT_TRUE(LocalDestination::loadAll(store, "abc123").empty());
}

} // namespace
} // namespace keldra::test
