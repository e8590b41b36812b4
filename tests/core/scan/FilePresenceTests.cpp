#include "core/scan/FilePresence.h"
#include "tests/support/FailingScanFileSystem.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;

// Only an absence the system confirms counts as deleted; every doubt keeps the backups.
TEST(FilePresence, OnlyAConfirmedAbsenceCountsAsDeleted) {
    const TempDir dir;
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "folder/here.txt") << "x";
    std::ofstream(dir / "plain.txt") << "x";
    fs::create_symlink(dir / "nowhere", dir / "folder/dangling");

    struct Case {
        const char* label;
        fs::path path;
        std::map<std::string, int> statusErrors;
        std::map<std::string, int> openErrors;
        FilePresence expected;
    };
    const std::vector<Case> cases = {
        {"a file on disk", dir / "folder/here.txt", {}, {}, FilePresence::present},
        {"a link whose target is gone", dir / "folder/dangling", {}, {}, FilePresence::present},
        {"gone from a readable folder", dir / "folder/gone.txt", {}, {}, FilePresence::absent},
        {"its folder gone too", dir / "nofolder/gone.txt", {}, {}, FilePresence::absent},
        {"its folder now a file", dir / "plain.txt/gone.txt", {}, {}, FilePresence::absent},
        {"its own metadata unreadable",
         dir / "folder/here.txt",
         {{"here.txt", EIO}},
         {},
         FilePresence::unknown},
        {"its folder cannot be listed",
         dir / "folder/gone.txt",
         {},
         {{"folder", EACCES}},
         FilePresence::unknown},
        {"its folder's metadata unreadable",
         dir / "folder/gone.txt",
         {{"folder", EIO}},
         {},
         FilePresence::unknown},
    };
    for (const Case& c : cases) {
        FailingScanFileSystem fileSystem;
        fileSystem.statusErrors = c.statusErrors;
        fileSystem.openErrors = c.openErrors;
        EXPECT_EQ(filePresence(fileSystem, c.path), c.expected) << c.label;
    }
}

} // namespace
} // namespace keldra::test
