#include "core/scan/SourceScanner.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

namespace keldra {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

struct Visited {
    int64_t size;
    double mtime;
};

// Everything one scan reported, keyed by path relative to the fixture folder.
struct ScanLog {
    std::map<std::string, Visited> files;
    std::vector<std::string> order;
    std::vector<ScanFailure> failures;
};

class ScanFixture : public ::testing::Test {
protected:
    ScanLog scan(const std::string& source, bool isFile, const ExclusionRules& rules,
                 const std::vector<std::string>& skipRoots = {}, const ScanFileSystem* fileSystem = nullptr,
                 const CancelToken& cancel = {}) {
        ScanLog log;
        const SourceScanner scanner = fileSystem != nullptr ? SourceScanner(*fileSystem) : SourceScanner();
        scanner.scan(
            source, isFile, rules, uncertain, skipRoots,
            [&](const std::string& path, int64_t size, double mtime) {
                const std::string key = relative(path);
                EXPECT_FALSE(log.files.contains(key)) << "visited twice: " << key;
                log.files[key] = {size, mtime};
                log.order.push_back(key);
            },
            [&](const ScanFailure& failure) { log.failures.push_back(failure); }, cancel);
        return log;
    }

    std::string relative(const std::string& path) const {
        const std::string base = dir.path().string();
        return path.starts_with(base + "/") ? path.substr(base.size() + 1) : path;
    }

    std::set<std::string> names(const ScanLog& log) const {
        std::set<std::string> result;
        for (const auto& [name, visited] : log.files) {
            result.insert(name);
        }
        return result;
    }

    std::string root() const { return dir.path().string(); }

    TempDir dir;
    UncertainPaths uncertain;
};

TEST_F(ScanFixture, VisitsRegularFilesIncludingHiddenOnesWithSizeAndTime) {
    writeFile(dir / "a.txt", "hello");
    writeFile(dir / ".hidden", "xy");
    writeFile(dir / "sub/deeper/b.bin", std::string(1000, 'x'));
    writeFile(dir / ".config/app.conf", "");
    const timespec times[2] = {{1700000000, 250000000}, {1700000000, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.txt").c_str(), times, 0), 0);

    const auto log = scan(root(), false, ExclusionRules{});
    EXPECT_EQ(names(log),
              (std::set<std::string>{"a.txt", ".hidden", "sub/deeper/b.bin", ".config/app.conf"}));
    EXPECT_EQ(log.files.at("a.txt").size, 5);
    EXPECT_DOUBLE_EQ(log.files.at("a.txt").mtime, 1700000000.25);
    EXPECT_EQ(log.files.at("sub/deeper/b.bin").size, 1000);
    EXPECT_EQ(log.files.at(".config/app.conf").size, 0);
    EXPECT_TRUE(log.failures.empty());
    EXPECT_TRUE(uncertain.empty());
}

TEST_F(ScanFixture, AppliesTheRulesToFilesAndFolders) {
    for (const char* name : {"keep.txt", "._photo.jpg", "report.tmp", ".DS_Store", "disk.iso", "build",
                             "node_modules/pkg/index.js", "Caches/c.db", ".git/HEAD", "images.iso/inside.png",
                             "Library/Caches.txt", "._dir/file.txt"}) {
        writeFile(dir / name, "x");
    }
    const auto all = scan(root(), false, ExclusionRules{});
    EXPECT_EQ(all.files.size(), 12u);

    const auto log = scan(root(), false, ExclusionRules{true, true, true, {"*.iso"}});
    EXPECT_EQ(names(log),
              (std::set<std::string>{"keep.txt", "build", "Library/Caches.txt", "._dir/file.txt"}));

    const auto junkOff = scan(root(), false, ExclusionRules{false, false, false, {}});
    EXPECT_TRUE(junkOff.files.contains("._photo.jpg"));
    EXPECT_TRUE(junkOff.files.contains("node_modules/pkg/index.js"));
}

TEST_F(ScanFixture, NeverFollowsOrVisitsSymbolicLinksAndSkipsSpecialFiles) {
    TempDir outside;
    writeFile(outside / "big/one.bin", "1");
    writeFile(outside / "big/two.bin", "2");
    writeFile(dir / "real.txt", "r");
    fs::create_directory_symlink(outside.path() / "big", dir / "linked-folder");
    fs::create_symlink(dir / "real.txt", dir / "linked-file");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

    const auto log = scan(root(), false, ExclusionRules{});
    EXPECT_EQ(names(log), (std::set<std::string>{"real.txt"}));
    EXPECT_TRUE(uncertain.empty());
}

TEST_F(ScanFixture, SourceThatIsALinkIsFollowedForItsOwnPath) {
    writeFile(dir / "target/in.txt", "1");
    fs::create_directory_symlink(dir / "target", dir / "chosen");
    const auto log = scan((dir / "chosen").string(), false, ExclusionRules{});
    EXPECT_EQ(names(log), (std::set<std::string>{"chosen/in.txt"}));
}

TEST_F(ScanFixture, SkipRootsAreNotEnteredAndSiblingsWithLongerNamesAre) {
    writeFile(dir / "keep/a.txt", "a");
    writeFile(dir / "drive/b.txt", "b");
    writeFile(dir / "drive2/c.txt", "c");
    const auto log = scan(root(), false, ExclusionRules{}, {root() + "/x/../drive/"});
    EXPECT_EQ(names(log), (std::set<std::string>{"keep/a.txt", "drive2/c.txt"}));

    const auto none = scan(root(), false, ExclusionRules{}, {root()});
    EXPECT_TRUE(none.files.empty());
    const auto fileUnderRoot =
        scan((dir / "drive/b.txt").string(), true, ExclusionRules{}, {root() + "/drive"});
    EXPECT_TRUE(fileUnderRoot.files.empty());

    EXPECT_TRUE(SourceScanner::isUnderSkipRoot("/a/b/./c", {"/a/b"}));
    EXPECT_TRUE(SourceScanner::isUnderSkipRoot("/a/b/", {"/a/b"}));
    EXPECT_FALSE(SourceScanner::isUnderSkipRoot("/a/bc", {"/a/b"}));
    EXPECT_TRUE(SourceScanner::isUnderSkipRoot("/anything", {"/"}));
}

TEST_F(ScanFixture, SingleFileSourcesIgnoreTheRulesAndUnreadableOnesBecomeUncertain) {
    writeFile(dir / "report.tmp", "12345");
    const auto log = scan((dir / "report.tmp").string(), true, ExclusionRules{true, true, true, {"*"}});
    EXPECT_EQ(names(log), (std::set<std::string>{"report.tmp"}));
    EXPECT_EQ(log.files.at("report.tmp").size, 5);

    const auto missing = scan((dir / "gone.txt").string(), true, ExclusionRules{});
    EXPECT_TRUE(missing.files.empty());
    const auto asFolder = scan((dir / "report.tmp").string(), false, ExclusionRules{});
    EXPECT_TRUE(asFolder.files.empty());
    fs::create_directory(dir / "folder");
    const auto folderAsFile = scan((dir / "folder").string(), true, ExclusionRules{});
    EXPECT_TRUE(folderAsFile.files.empty());

    EXPECT_EQ(uncertain.prefixes(),
              (std::vector<std::string>{(dir / "gone.txt").string(), (dir / "report.tmp").string(),
                                        (dir / "folder").string()}));
    EXPECT_TRUE(uncertain.contains((dir / "gone.txt").string()));
    EXPECT_FALSE(uncertain.contains((dir / "gone.txt.bak").string()));
}

TEST_F(ScanFixture, NamesThatAreNotUtf8AreReportedAsFailuresNotDropped) {
    writeFile(dir / "good.txt", "g");
    writeFile(dir / "caf\xe9.txt", "latin-1");
    writeFile(dir / "bad\xff\xfe dir/inside.txt", "i");
    writeFile(dir / "ok/caf\xc3\xa9.txt", "utf-8");
    writeFile(dir / "ok/over\xc0\xaflong", "overlong slash");
    writeFile(dir / "._junk\xff", "excluded anyway");

    const auto log = scan(root(), false, ExclusionRules{true, false, false, {}});
    EXPECT_EQ(names(log), (std::set<std::string>{"good.txt", "ok/caf\xc3\xa9.txt"}));

    std::map<std::string, ScanFailure> failures;
    for (const auto& failure : log.failures) {
        failures.emplace(relative(failure.path), failure);
    }
    ASSERT_EQ(failures.size(), 3u);
    const auto& file = failures.at("caf\xe9.txt");
    EXPECT_EQ(file.displayPath, root() + "/caf\xef\xbf\xbd.txt");
    EXPECT_EQ(file.reason, SourceScanner::invalidFileNameReason);
    EXPECT_EQ(failures.at("ok/over\xc0\xaflong").displayPath,
              root() + "/ok/over\xef\xbf\xbd\xef\xbf\xbdlong");
    const auto& folder = failures.at("bad\xff\xfe dir");
    EXPECT_EQ(folder.reason, SourceScanner::invalidFolderNameReason);
    // Nothing below the folder may be taken for deleted.
    EXPECT_TRUE(uncertain.contains(root() + "/bad\xff\xfe dir/inside.txt"));
}

TEST_F(ScanFixture, CancellationIsNoticedAtTheTwoHundredFiftySixthItem) {
    for (int i = 0; i < 300; ++i) {
        writeFile(dir / ("f" + std::to_string(i)), "");
    }
    CancelSource source;
    source.request_stop();
    EXPECT_THROW(scan(root(), false, ExclusionRules{}, {}, nullptr, source.get_token()), CancelledError);
    // Counted again so the number of files handled before the check is known exactly.
    size_t visited = 0;
    try {
        SourceScanner().scan(
            root(), false, ExclusionRules{}, uncertain, {},
            [&](const std::string&, int64_t, double) { ++visited; }, [](const ScanFailure&) {},
            source.get_token());
    } catch (const CancelledError&) {
    }
    EXPECT_EQ(visited, 255u);

    // Not cancelled: all 300.
    EXPECT_EQ(scan(root(), false, ExclusionRules{}).files.size(), 300u);
}

TEST_F(ScanFixture, VisitorErrorEndsTheScanAtOnce) {
    for (int i = 0; i < 10; ++i) {
        writeFile(dir / ("f" + std::to_string(i)), "");
    }
    int calls = 0;
    EXPECT_THROW(SourceScanner().scan(
                     root(), false, ExclusionRules{}, uncertain, {},
                     [&](const std::string&, int64_t, double) {
                         if (++calls == 3) {
                             throw std::runtime_error("disk gone");
                         }
                     },
                     [](const ScanFailure&) {}, {}),
                 std::runtime_error);
    EXPECT_EQ(calls, 3);
}

// Fails chosen calls the way an unreadable folder would for a normal user.
class FaultyFileSystem final : public ScanFileSystem {
public:
    std::set<std::string> deniedOpens;   // folder names whose open fails with EACCES
    std::set<std::string> deniedStatus;  // entry names whose metadata cannot be read
    std::set<std::string> failListingAt; // folder names whose listing breaks after one entry
    bool denyRoot = false;

    std::unique_ptr<DirectoryListing> openDirectory(int at, const char* name, bool followLink,
                                                    int& error) const override {
        const std::string base = fs::path(name).filename().string();
        if ((at == AT_FDCWD && denyRoot) || (at != AT_FDCWD && deniedOpens.contains(base))) {
            error = EACCES;
            return nullptr;
        }
        auto listing = real_.openDirectory(at, name, followLink, error);
        if (listing && failListingAt.contains(base)) {
            return std::make_unique<BreakingListing>(std::move(listing));
        }
        return listing;
    }

    int status(int at, const char* name, bool followLink, struct stat& out) const override {
        if (deniedStatus.contains(name)) {
            return EACCES;
        }
        return real_.status(at, name, followLink, out);
    }

private:
    class BreakingListing final : public DirectoryListing {
    public:
        explicit BreakingListing(std::unique_ptr<DirectoryListing> inner) : inner_(std::move(inner)) {}
        int fd() const override { return inner_->fd(); }
        const char* next(int& error) override {
            if (handed_++ >= 1) {
                error = EIO;
                return nullptr;
            }
            return inner_->next(error);
        }

    private:
        std::unique_ptr<DirectoryListing> inner_;
        int handed_ = 0;
    };

    PosixScanFileSystem real_;
};

TEST_F(ScanFixture, UnreadableItemsAreRecordedAsUncertainAndTheWalkGoesOn) {
    writeFile(dir / "open/a.txt", "a");
    writeFile(dir / "locked/b.txt", "b");
    writeFile(dir / "locked-not/c.txt", "c");
    writeFile(dir / "open/secret.txt", "s");
    writeFile(dir / "broken/one.txt", "1");
    writeFile(dir / "broken/two.txt", "2");
    writeFile(dir / "broken/three.txt", "3");

    FaultyFileSystem faulty;
    faulty.deniedOpens = {"locked"};
    faulty.deniedStatus = {"secret.txt"};
    faulty.failListingAt = {"broken"};
    const auto log = scan(root(), false, ExclusionRules{}, {}, &faulty);

    EXPECT_TRUE(log.files.contains("open/a.txt"));
    EXPECT_TRUE(log.files.contains("locked-not/c.txt"));
    EXPECT_FALSE(log.files.contains("locked/b.txt"));
    EXPECT_FALSE(log.files.contains("open/secret.txt"));
    // The broken listing handed on at most the one entry it read.
    size_t fromBroken = 0;
    for (const auto& name : names(log)) {
        fromBroken += name.starts_with("broken/") ? 1 : 0;
    }
    EXPECT_LE(fromBroken, 1u);

    const auto prefixes = uncertain.prefixes();
    const std::set<std::string> recorded(prefixes.begin(), prefixes.end());
    EXPECT_EQ(recorded,
              (std::set<std::string>{root() + "/locked", root() + "/open/secret.txt", root() + "/broken"}));
    EXPECT_TRUE(uncertain.contains(root() + "/locked/b.txt"));
    EXPECT_FALSE(uncertain.contains(root() + "/locked-not/c.txt"));
    EXPECT_TRUE(uncertain.contains(root() + "/broken/three.txt"));
}

TEST_F(ScanFixture, UnreadableSourceFolderIsRecordedWhole) {
    writeFile(dir / "a.txt", "a");
    FaultyFileSystem faulty;
    faulty.denyRoot = true;
    const auto log = scan(root(), false, ExclusionRules{}, {}, &faulty);
    EXPECT_TRUE(log.files.empty());
    EXPECT_EQ(uncertain.prefixes(), (std::vector<std::string>{root()}));
    EXPECT_TRUE(uncertain.contains(root() + "/a.txt"));
}

TEST_F(ScanFixture, DeepTreesAreWalkedCompletely) {
    fs::path deep = dir.path();
    for (int level = 0; level < 120; ++level) {
        deep /= "d" + std::to_string(level % 10);
        writeFile(deep / "f.txt", "x");
    }
    const auto log = scan(root(), false, ExclusionRules{});
    EXPECT_EQ(log.files.size(), 120u);
}

TEST_F(ScanFixture, AFolderTooDeepForTheOpenFileLimitIsReportedNotDroppedSilently) {
    fs::path deep = dir.path();
    for (int level = 0; level < 80; ++level) {
        deep /= "d";
        writeFile(deep / "f.txt", "x");
    }
    // Leave room for about 40 more open folders, as a tree of thousands of levels would exhaust them.
    // Descriptors are handed out lowest first, so a limit 40 above the lowest free one allows 40 more.
    int firstFree = 0;
    while (::fcntl(firstFree, F_GETFD) != -1) {
        ++firstFree;
    }
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(firstFree + 40);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const auto log = scan(root(), false, ExclusionRules{});
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);

    EXPECT_LT(log.files.size(), 80u);
    ASSERT_EQ(log.failures.size(), 1u);
    EXPECT_EQ(log.failures[0].reason, SourceScanner::tooDeepFolderReason);
    EXPECT_TRUE(uncertain.contains(log.failures[0].path));
}

} // namespace
} // namespace keldra
