#include "core/settings/BackupSource.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace keldra {
namespace {

using Availability = BackupSource::Availability;

class WithHome : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = std::getenv("HOME");
        saved_ = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("HOME", "/home/x", 1);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("HOME", saved_->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(WithHome, AbbreviatePath) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/x", "~"},
        {"/home/x/", "~"},
        {"/home/x/Documents/a.txt", "~/Documents/a.txt"},
        {"/home/x/./Documents/../Music/", "~/Music"},
        {"/home/xy/file", "/home/xy/file"}, // a sibling whose name merely starts like the home folder
        {"/home", "/home"},
        {"/media/x/Photos/img.jpg", "/media/x/Photos/img.jpg"},
        {"/home/x/caf\xC3\xA9/\xFF\xFE", "~/caf\xC3\xA9/\xFF\xFE"}, // bytes, not necessarily UTF-8
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(BackupSource::abbreviatePath(path), expected) << path;
    }
    ::setenv("HOME", "/home/x/", 1);
    EXPECT_EQ(BackupSource::abbreviatePath("/home/x/a"), "~/a");
}

TEST_F(WithHome, ExpandPathAndComponents) {
    EXPECT_EQ(BackupSource::expandPath("~"), std::filesystem::path("/home/x"));
    EXPECT_EQ(BackupSource::expandPath("~/Documents/a.txt"),
              std::filesystem::path("/home/x/Documents/a.txt"));
    EXPECT_EQ(BackupSource::expandPath("/etc/hosts"), std::filesystem::path("/etc/hosts"));
    EXPECT_EQ(BackupSource::expandPath("~other/a"), std::filesystem::path("~other/a"));
    // A "~" path stays in the home folder however many slashes follow the "~".
    EXPECT_EQ(BackupSource::expandPath("~//etc/passwd"), std::filesystem::path("/home/x/etc/passwd"));
    EXPECT_EQ(BackupSource::expandPath("~///a"), std::filesystem::path("/home/x/a"));

    using Pieces = std::vector<std::string>;
    const std::vector<std::pair<std::string, Pieces>> cases = {
        {"~/a/b", {"~", "a", "b"}},
        {"/a//b/", {"a", "b"}},
        {"~", {"~"}},
        {"~/", {"~"}},
        {"~//a", {"~", "a"}},
        {"/", {}},
        {"", {}},
        {"~x/a", {"~x", "a"}},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(BackupSource::pathComponents(path), expected) << path;
    }
}

// Answers as a test needs them, including an unreadable folder that root could still read.
class FakeProbe final : public SourceProbe {
public:
    std::map<std::string, Kind> kinds;
    std::set<std::string> unreadable;
    std::set<std::string> mountPoints;
    std::map<std::string, std::string> links;

    Kind kind(const std::filesystem::path& path) const override {
        auto found = kinds.find(path.string());
        return found == kinds.end() ? Kind::none : found->second;
    }
    bool canList(const std::filesystem::path& path) const override {
        return !unreadable.contains(path.string());
    }
    bool canRead(const std::filesystem::path& path) const override {
        return !unreadable.contains(path.string());
    }
    std::optional<std::filesystem::path> resolved(const std::filesystem::path& path) const override {
        if (auto link = links.find(path.string()); link != links.end()) {
            return link->second;
        }
        return kinds.contains(path.string()) ? std::optional(path) : std::nullopt;
    }
    bool isMountPoint(const std::filesystem::path& path) const override {
        return mountPoints.contains(path.string());
    }
};

TEST(SourceAvailability, VolumeRoots) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"/media/alice/Photos/2024", "/media/alice/Photos"},
        {"/media/alice/Photos", "/media/alice/Photos"},
        {"/media/alice", std::nullopt},
        {"/run/media/alice/Disk/a", "/run/media/alice/Disk"},
        {"/run/media/alice", std::nullopt},
        {"/mnt/Backup/x", "/mnt/Backup"},
        {"/mnt", std::nullopt},
        {"/home/alice/media/alice/x", std::nullopt},
        {"/media/../home/alice", std::nullopt},
    };
    for (const auto& [path, root] : cases) {
        auto found = BackupSource::volumeRoot({"id", path, false, {}});
        EXPECT_EQ(found ? std::optional(found->string()) : std::nullopt, root) << path;
    }
}

TEST(SourceAvailability, Rules) {
    using Kind = SourceProbe::Kind;
    FakeProbe probe;
    probe.kinds = {
        {"/media/alice", Kind::directory},
        {"/media/Label", Kind::directory},
        {"/media/Label/2024", Kind::directory},
        {"/media/alice/Photos", Kind::directory},
        {"/media/alice/Photos/2024", Kind::directory},
        {"/media/alice/Stale", Kind::directory},
        {"/media/alice/Stale/a", Kind::directory},
        {"/mnt/Root", Kind::directory},
        {"/mnt/Root/etc", Kind::directory},
        {"/home/alice/Documents", Kind::directory},
        {"/home/alice/Locked", Kind::directory},
        {"/home/alice/notes.txt", Kind::other},
        {"/home/alice/secret.txt", Kind::other},
        {"/run/media/alice/Disk", Kind::directory},
    };
    probe.mountPoints = {"/media/alice/Photos", "/run/media/alice/Disk", "/media/Label"};
    probe.links = {{"/mnt/Root", "/"}};
    probe.unreadable = {"/home/alice/Locked", "/home/alice/secret.txt"};

    const std::vector<std::tuple<std::string, bool, Availability>> cases = {
        {"/media/alice/Photos/2024", false, Availability::available()},
        {"/media/alice/Photos/gone", false, Availability::missing()},
        {"/media/alice/Absent/2024", false, Availability::driveDisconnected("Absent")},
        // A plain folder left behind where the drive is normally mounted.
        {"/media/alice/Stale/a", false, Availability::driveDisconnected("Stale")},
        {"/run/media/alice/Disk/x", false, Availability::missing()},
        // A drive mounted directly in /media, connected or not.
        {"/media/Label/2024", false, Availability::available()},
        {"/media/Label", false, Availability::available()},
        {"/media/Label/gone", false, Availability::missing()},
        {"/media/Gone/2024", false, Availability::driveDisconnected("Gone")},
        {"/media/alice", false, Availability::available()},
        // The start-up volume seen through a link is not a disconnected drive.
        {"/mnt/Root/etc", false, Availability::available()},
        {"/home/alice/Documents", false, Availability::available()},
        {"/home/alice/Gone", false, Availability::missing()},
        {"/home/alice/Locked", false, Availability::noPermission()},
        {"/home/alice/notes.txt", true, Availability::available()},
        {"/home/alice/secret.txt", true, Availability::noPermission()},
    };
    for (const auto& [path, isFile, expected] : cases) {
        EXPECT_EQ(BackupSource::availability({"id", path, isFile, {}}, probe), expected) << path;
    }
}

TEST(SourceAvailability, RealFileSystem) {
    test::TempDir dir;
    test::writeFile(dir / "folder" / "a.txt", "a");
    std::filesystem::create_symlink(dir / "folder", dir / "link");

    EXPECT_EQ(BackupSource::availability({"1", (dir / "folder").string(), false, {}}),
              Availability::available());
    EXPECT_EQ(BackupSource::availability({"2", (dir / "folder" / "a.txt").string(), true, {}}),
              Availability::available());
    EXPECT_EQ(BackupSource::availability({"3", (dir / "link").string(), false, {}}),
              Availability::available());
    EXPECT_EQ(BackupSource::availability({"4", (dir / "nothing").string(), false, {}}),
              Availability::missing());

    const RealSourceProbe probe;
    EXPECT_TRUE(probe.isMountPoint("/"));
    EXPECT_TRUE(probe.isMountPoint("/proc"));
    EXPECT_FALSE(probe.isMountPoint(dir / "folder"));
    EXPECT_FALSE(probe.isMountPoint(dir / "nothing"));
    EXPECT_EQ(probe.resolved(dir / "link"), std::filesystem::canonical(dir / "folder"));
    EXPECT_EQ(probe.kind(dir / "folder" / "a.txt"), SourceProbe::Kind::other);
}

} // namespace
} // namespace keldra
