#include "restore/engine/NoReplaceRename.h"
#include "restore/engine/RestoreEngine.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keldra {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

RestoreItem item(std::string keldraPath, std::string relativePath) {
    return RestoreItem{FlexID("1"), std::move(keldraPath), 0, std::move(relativePath), std::nullopt};
}

std::vector<std::string> leftovers(const fs::path& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().filename().string().starts_with(".keldra-restore-")) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

RestoreError::Kind unsafeKind() {
    return RestoreError::Kind::unsafePath;
}

// Points HOME at a folder for one test.
class ScopedHome {
public:
    explicit ScopedHome(const fs::path& home) {
        if (const char* old = std::getenv("HOME")) {
            old_ = old;
        }
        ::setenv("HOME", home.c_str(), 1);
    }
    ~ScopedHome() {
        if (old_) {
            ::setenv("HOME", old_->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }

private:
    std::optional<std::string> old_;
};

TEST(RestoreTarget, OriginalPlacesExpandHomeAndKeepAbsolutePaths) {
    TempDir home;
    ScopedHome scoped(home.path());
    const auto original = RestoreDestination::original();
    EXPECT_EQ(RestoreEngine::destinationURL(item("~/Documents/a.txt", "a.txt"), original),
              home.path() / "Documents/a.txt");
    EXPECT_EQ(RestoreEngine::destinationURL(item("/srv/data/b.txt", "b.txt"), original),
              fs::path("/srv/data/b.txt"));
}

TEST(RestoreTarget, ChosenFolderTakesTheRelativePath) {
    const auto folder = RestoreDestination::folder("/tmp/restore-here");
    EXPECT_EQ(RestoreEngine::destinationURL(item("~/x", "Home/Documents/a.txt"), folder),
              fs::path("/tmp/restore-here/Home/Documents/a.txt"));
    EXPECT_EQ(RestoreEngine::destinationURL(item("~/x", "..a/b..c/..."), folder),
              fs::path("/tmp/restore-here/..a/b..c/..."));
}

TEST(RestoreTarget, UnsafePathsAreRefused) {
    struct Case {
        std::string keldraPath;   // used for the original places
        std::string relativePath; // used below a chosen folder
    };
    const std::vector<Case> cases = {
        {"~/../etc/passwd", "../etc/passwd"},
        {"Documents/a.txt", "/etc/passwd"},
        {"~/a/./b", "a/./b"},
        {"/a//b", "a//b"},
        {"~/a/", "a/"},
        {"~", ""},
        {"/", "."},
        {"~/a/..", "a/.."},
        {std::string("~/a.txt\0/x", 10), std::string("a.txt\0/x", 8)},
    };
    for (const auto& c : cases) {
        try {
            RestoreEngine::destinationURL(item(c.keldraPath, "ok.txt"), RestoreDestination::original());
            ADD_FAILURE() << "original place accepted: " << c.keldraPath;
        } catch (const RestoreError& error) {
            EXPECT_EQ(error.kind(), unsafeKind());
        }
        try {
            RestoreEngine::destinationURL(item("~/ok.txt", c.relativePath),
                                          RestoreDestination::folder("/tmp/x"));
            ADD_FAILURE() << "chosen folder accepted: " << c.relativePath;
        } catch (const RestoreError& error) {
            EXPECT_EQ(error.kind(), unsafeKind());
            EXPECT_EQ(error.message(), "This item's path isn't safe to restore to, so it was skipped.");
        }
    }
}

TEST(RestorePlacement, KeepBothNamesCountUpBesideTheTarget) {
    TempDir dir;
    writeFile(dir / "a.txt", "1");
    writeFile(dir / "a (restored).txt", "2");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / "a.txt"), dir / "a (restored 2).txt");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / "report.pdf"), dir / "report (restored).pdf");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / "a"), dir / "a (restored)");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / "archive.tar.gz"), dir / "archive.tar (restored).gz");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / ".bashrc"), dir / ".bashrc (restored)");
    // A dangling symbolic link still occupies its name.
    fs::create_symlink(dir / "nowhere", dir / "b (restored).txt");
    EXPECT_EQ(RestoreEngine::keepBothURL(dir / "b.txt"), dir / "b (restored 2).txt");
}

TEST(RestorePlacement, WritesNewFilesAndResolvesConflictsByPolicy) {
    TempDir dir;
    const auto folder = RestoreDestination::folder(dir.path());

    const auto fresh = RestoreEngine::writeRestored(item("~/x", "deep/er/new.txt"), folder,
                                                    ConflictPolicy::keepBoth, toBytes("fresh"));
    EXPECT_EQ(fresh, dir / "deep/er/new.txt");
    EXPECT_EQ(readFile(fresh), "fresh");

    writeFile(dir / "doc.txt", "mine");
    const auto kept = RestoreEngine::writeRestored(item("~/x", "doc.txt"), folder, ConflictPolicy::keepBoth,
                                                   toBytes("stored"));
    EXPECT_EQ(kept, dir / "doc (restored).txt");
    EXPECT_EQ(readFile(dir / "doc.txt"), "mine");
    EXPECT_EQ(readFile(kept), "stored");

    const auto replaced = RestoreEngine::writeRestored(item("~/x", "doc.txt"), folder,
                                                       ConflictPolicy::replace, toBytes("stored v2"));
    EXPECT_EQ(replaced, dir / "doc.txt");
    EXPECT_EQ(readFile(dir / "doc.txt"), "stored v2");
    EXPECT_EQ(readFile(dir / "doc (restored).txt"), "stored");

    const auto empty =
        RestoreEngine::writeRestored(item("~/x", "empty"), folder, ConflictPolicy::replace, {});
    EXPECT_EQ(fs::file_size(empty), 0u);
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(RestorePlacement, RestoresToTheOriginalPlaceBelowHome) {
    TempDir home;
    ScopedHome scoped(home.path());
    const auto written = RestoreEngine::writeRestored(item("~/Documents/notes.txt", "notes.txt"),
                                                      RestoreDestination::original(),
                                                      ConflictPolicy::keepBoth, toBytes("notes"));
    EXPECT_EQ(written, home.path() / "Documents/notes.txt");
    EXPECT_EQ(readFile(written), "notes");
}

TEST(RestorePlacement, AFailedMoveLeavesTheTargetAndNoTempFile) {
    TempDir dir;
    fs::create_directories(dir / "taken.txt/inside");
    writeFile(dir / "taken.txt/inside/keep", "keep");
    EXPECT_THROW(RestoreEngine::writeRestored(item("~/x", "taken.txt"),
                                              RestoreDestination::folder(dir.path()), ConflictPolicy::replace,
                                              toBytes("new")),
                 fs::filesystem_error);
    EXPECT_EQ(readFile(dir / "taken.txt/inside/keep"), "keep");
    EXPECT_TRUE(leftovers(dir.path()).empty());

    // moveIntoPlace itself removes the temp file it was given when the move fails.
    writeFile(dir / ".keldra-restore-manual.tmp", "temp");
    EXPECT_THROW(RestoreEngine::moveIntoPlace(dir / ".keldra-restore-manual.tmp", dir / "taken.txt",
                                              ConflictPolicy::replace),
                 fs::filesystem_error);
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(RestorePlacement, AParentThatIsAFileFailsWithoutWritingAnything) {
    TempDir dir;
    writeFile(dir / "file", "content");
    EXPECT_THROW(RestoreEngine::writeRestored(item("~/x", "file/a.txt"),
                                              RestoreDestination::folder(dir.path()),
                                              ConflictPolicy::keepBoth, toBytes("new")),
                 fs::filesystem_error);
    EXPECT_EQ(readFile(dir / "file"), "content");
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

// A file-size limit makes the temp write fail for real (EFBIG), as a full disk would.
TEST(RestorePlacement, AFailedTempWriteKeepsTheOldFileAndLeavesNothing) {
    TempDir dir;
    writeFile(dir / "doc.txt", "the good copy");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        RestoreEngine::writeRestored(item("~/x", "doc.txt"), RestoreDestination::folder(dir.path()),
                                     ConflictPolicy::replace, Bytes(64 * 1024, 'x'));
    } catch (const fs::filesystem_error& error) {
        threw = true;
        EXPECT_EQ(error.code(), std::errc::file_too_large);
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(readFile(dir / "doc.txt"), "the good copy");
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(RestorePlacement, SymbolicLinksCannotLeadOutOfTheChosenFolder) {
    TempDir base;
    TempDir outside;
    fs::create_directories(base / "inner");
    fs::create_directory_symlink(outside.path(), base / "escape");
    fs::create_directory_symlink(base / "inner", base / "alias");
    const auto folder = RestoreDestination::folder(base.path());

    for (const std::string relative : {"escape/a.txt", "escape/new/deeper/a.txt"}) {
        try {
            RestoreEngine::writeRestored(item("~/x", relative), folder, ConflictPolicy::replace,
                                         toBytes("x"));
            ADD_FAILURE() << "wrote through the link: " << relative;
        } catch (const RestoreError& error) {
            EXPECT_EQ(error.kind(), unsafeKind());
        }
    }
    EXPECT_TRUE(fs::is_empty(outside.path()));

    // A link that stays inside the folder is followed.
    const auto inside = RestoreEngine::writeRestored(item("~/x", "alias/b.txt"), folder,
                                                     ConflictPolicy::replace, toBytes("b"));
    EXPECT_EQ(readFile(base / "inner/b.txt"), "b");
    EXPECT_EQ(inside, base / "alias/b.txt");

    // A target that is itself a link to a file outside is replaced as a link, never written through.
    writeFile(outside / "victim", "untouched");
    fs::create_symlink(outside / "victim", base / "c.txt");
    RestoreEngine::writeRestored(item("~/x", "c.txt"), folder, ConflictPolicy::replace, toBytes("c"));
    EXPECT_EQ(readFile(outside / "victim"), "untouched");
    EXPECT_FALSE(fs::is_symlink(base / "c.txt"));
    EXPECT_EQ(readFile(base / "c.txt"), "c");
    EXPECT_TRUE(leftovers(base.path()).empty());
}

TEST(RestorePlacement, NoReplaceRenameNeverOverwrites) {
    TempDir dir;
    writeFile(dir / "from", "ours");
    writeFile(dir / "to", "theirs");
    EXPECT_EQ(renameNoReplace(dir / "from", dir / "to"), std::errc::file_exists);
    EXPECT_EQ(readFile(dir / "to"), "theirs");
    EXPECT_EQ(readFile(dir / "from"), "ours");
    EXPECT_FALSE(renameNoReplace(dir / "from", dir / "free"));
    EXPECT_EQ(readFile(dir / "free"), "ours");
    EXPECT_FALSE(fs::exists(dir / "from"));
}

// Another program creates the target while the restore places its file. Whoever wins, both contents must
// survive: the restore may never overwrite a file that appeared after it looked.
TEST(RestorePlacement, AFileAppearingDuringTheMoveIsNeverOverwritten) {
    TempDir dir;
    constexpr int rounds = 200;
    int racerWon = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto target = dir / ("file" + std::to_string(i) + ".txt");
        const auto temp = RestoreEngine::temporaryFileFor(target);
        writeFile(temp, "ours");
        std::atomic<bool> go{false};
        bool created = false;
        std::thread racer([&] {
            while (!go.load()) {
            }
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0) {
                created = true;
                const ssize_t n = ::write(fd, "theirs", 6);
                (void)n;
                ::close(fd);
            }
        });
        go = true;
        const auto placed = RestoreEngine::moveIntoPlace(temp, target, ConflictPolicy::keepBoth);
        racer.join();
        EXPECT_EQ(readFile(placed), "ours");
        if (created) {
            ++racerWon;
            EXPECT_NE(placed, target);
            // The racer may have written after we looked; its file is whole or still being written, never
            // ours.
            EXPECT_NE(readFile(target), "ours");
        }
    }
    EXPECT_TRUE(leftovers(dir.path()).empty());
    RecordProperty("racerWon", racerWon);
}

} // namespace
} // namespace keldra
