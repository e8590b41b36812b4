// Drive runs killed outright at random moments (power cut, crash, SIGKILL): once a run completes again,
// every object on the drive is named by a row of the drive's index, and every row names an object that is
// there and opens. Copies a killed run moved onto the drive without recording them are gone, nothing is
// left behind that no run would ever reclaim.

#include "core/index/BackupIndex.h"
#include "core/settings/BackupSource.h"
#include "drive/catalog/LocalCatalog.h"
#include "drive/format/LocalFormat.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keldra::test {
namespace {

namespace fs = std::filesystem;

constexpr int fileCount = 100;
constexpr int killCount = 25;

fs::path benchProgram() {
    return fs::path(KELDRA_BINARY_DIR) / "bench/keldra-bench/keldra-bench";
}

class DriveKillTest : public ::testing::Test {
protected:
    fs::path source() const { return temp.path() / "source"; }
    fs::path dest() const { return temp.path() / "dest"; }
    fs::path state() const { return temp.path() / "state"; }
    fs::path deviceFolder() const { return dest() / "Orlivane Keldra Backup" / "devices" / "keldra-bench"; }

    // Every source file gets new content, so each run has every file to copy.
    void changeEveryFile(int round) {
        for (int i = 0; i < fileCount; ++i) {
            writeFile(source() / ("dir" + std::to_string(i % 5)) / ("file" + std::to_string(i)),
                      "round " + std::to_string(round) + " file " + std::to_string(i));
        }
    }

    pid_t startBench() {
        const std::vector<std::string> arguments = {
            benchProgram().string(), "drive",    "--dest",          dest().string(), "--passphrase",
            "horse battery",         "--source", source().string(), "--state",       state().string()};
        return startProgram(arguments, "/dev/null");
    }

    static int waitFor(pid_t pid) { return waitForChild(pid); }

    TempDir temp;
};

TEST_F(DriveKillTest, AfterKillsAtRandomMomentsTheNextRunLeavesNoObjectUnnamed) {
    // The kills are spread over the time a whole run takes on this machine, so they land mid-run on a fast
    // machine and on a loaded one alike; a run that ends before its kill shows runs have become quicker
    // (the load of other tests went away), and later kills come within its time.
    changeEveryFile(-1);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(waitFor(startBench()), 0);
    auto wholeRun =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

    std::mt19937 random(13);
    std::uniform_real_distribution<double> momentOfRun(0.05, 0.95);
    int killedMidRun = 0;
    for (int round = 0; round < 3 * killCount && killedMidRun < killCount; ++round) {
        changeEveryFile(round);
        const pid_t pid = startBench();
        const auto wait =
            std::chrono::duration_cast<std::chrono::microseconds>(wholeRun * momentOfRun(random));
        std::this_thread::sleep_for(wait);
        ::kill(pid, SIGKILL);
        if (WIFSIGNALED(waitFor(pid))) {
            ++killedMidRun;
        } else {
            wholeRun = wait;
        }
    }
    EXPECT_GT(killedMidRun, killCount / 2) << "the runs ended before they could be killed";

    changeEveryFile(3 * killCount);
    const int finished = waitFor(startBench());
    ASSERT_TRUE(WIFEXITED(finished));
    ASSERT_EQ(WEXITSTATUS(finished), 0);

    RecordingLogger logger;
    BackupIndex index(state() / "drive", logger);
    std::set<std::string> named;
    for (const IndexedVersion& version :
         index.query("SELECT keldra_file_id, path, size, created_at, superseded_at, format FROM versions", {},
                     [](const BackupIndex::Row& row) {
                         return IndexedVersion{row.text(0), row.text(1),         row.integer(2),
                                               row.real(3), row.optionalReal(4), row.integer(5)};
                     })) {
        named.insert(version.keldraFileID);
    }
    for (const IndexedFile& row : index.files()) {
        ASSERT_TRUE(row.keldraFileID) << row.path;
        named.insert(*row.keldraFileID);
    }
    const std::set<std::string> objects =
        LocalCatalog::listObjects(deviceFolder()).value_or(std::set<std::string>{});
    for (const std::string& object : objects) {
        EXPECT_TRUE(named.contains(object)) << "object " << object << " is named by no row";
    }
    for (const std::string& id : named) {
        EXPECT_TRUE(objects.contains(id)) << "row names missing object " << id;
    }
    // Every recorded copy opens whole, with the content of the file it was taken from.
    const KeldraKey key = KeldraKey::derive("horse battery");
    for (const IndexedFile& row : index.files()) {
        const fs::path restored = temp.path() / "restored";
        ASSERT_NO_THROW(LocalFormat::restoreObject(LocalFormat::objectPath(deviceFolder(), *row.keldraFileID),
                                                   restored, key))
            << row.path;
        EXPECT_EQ(readFile(restored), readFile(BackupSource::expandPath(row.path))) << row.path;
    }
    EXPECT_EQ(index.files().size(), static_cast<std::size_t>(fileCount));
    EXPECT_FALSE(index.meta(metakey::unrecordedObjects)) << "the completed run left copies unrecorded";
    // No scratch file survives a completed run.
    for (const auto& entry : fs::recursive_directory_iterator(deviceFolder() / "objects")) {
        EXPECT_NE(entry.path().filename().string().rfind(".tmp-", 0), 0u) << entry.path();
    }
}

} // namespace
} // namespace keldra::test
