// A run killed outright (power cut, crash, SIGKILL) must leave an index that is whole, claims no copy the
// portal did not confirm, and lets the next run finish the job without uploading anything twice.

#include "core/index/BackupIndex.h"
#include "service/types/FlexID.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keldra::test {
namespace {

constexpr int fileCount = 40;

std::filesystem::path benchProgram() {
    return std::filesystem::path(KELDRA_BINARY_DIR) / "bench/keldra-bench/keldra-bench";
}

class CrashSafetyTest : public LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        control().createAccount({{"email", email}, {"password", "pw"}});
        std::mt19937 random(7);
        for (int i = 0; i < fileCount; ++i) {
            std::string body(64 * 1024 + i, '\0');
            for (char& c : body) {
                c = static_cast<char>(random());
            }
            writeFile(source() / ("dir" + std::to_string(i % 4)) / ("file" + std::to_string(i)), body);
        }
    }

    std::filesystem::path source() const { return temp.path() / "source"; }
    std::filesystem::path state() const { return temp.path() / "state"; }

    // Starts keldra-bench cloud; its standard output goes to `output`.
    pid_t startBench(const std::filesystem::path& output) {
        const std::vector<std::string> arguments = {benchProgram().string(),
                                                    "cloud",
                                                    "--portal",
                                                    baseUrl(),
                                                    "--email",
                                                    email,
                                                    "--password",
                                                    "pw",
                                                    "--passphrase",
                                                    "horse battery",
                                                    "--source",
                                                    source().string(),
                                                    "--state",
                                                    state().string()};
        return startProgram(arguments, output);
    }

    static int waitFor(pid_t pid) { return waitForChild(pid); }

    std::set<std::string> confirmedIDs() {
        std::set<std::string> ids;
        for (const auto& file : control().files(email)) {
            ids.insert(FlexID::fromJson(file.at("id")).raw);
        }
        return ids;
    }

    std::string integrityCheck() {
        sqlite3* db = nullptr;
        std::string answer;
        if (sqlite3_open_v2((state() / "index.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW) {
                answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return answer;
    }

    nlohmann::json lastJsonLine(const std::filesystem::path& output) {
        std::ifstream in(output);
        std::string line;
        std::string last;
        while (std::getline(in, line)) {
            if (!line.empty() && line.front() == '{') {
                last = line;
            }
        }
        return last.empty() ? nlohmann::json() : nlohmann::json::parse(last);
    }

    const std::string email = "crash@example.com";
    TempDir temp;
};

TEST_F(CrashSafetyTest, AKilledRunLeavesAWholeIndexAndTheNextRunFinishesTheJob) {
    // Slow confirmations, so the kill lands in the middle of the uploads.
    control().addFault({{"endpoint", "upload-confirm"}, {"latency_ms", 60}, {"count", -1}});
    const pid_t first = startBench(temp.path() / "first.out");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (confirmedIDs().size() < 8 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(first, SIGKILL);
    const int killed = waitFor(first);
    ASSERT_TRUE(WIFSIGNALED(killed)) << "the run ended before it could be killed";
    control().clearFaults();

    EXPECT_EQ(integrityCheck(), "ok");
    std::int64_t recordedBefore = 0;
    {
        RecordingLogger logger;
        BackupIndex index(state(), logger);
        const std::set<std::string> confirmed = confirmedIDs();
        for (const IndexedFile& row : index.files()) {
            if (row.keldraFileID) {
                ++recordedBefore;
                EXPECT_TRUE(confirmed.contains(*row.keldraFileID))
                    << row.path << " claims an unconfirmed copy";
            }
        }
        EXPECT_EQ(index.recentRuns(1).at(0).status, RunStatus::running);
    }
    EXPECT_LT(recordedBefore, fileCount);

    const pid_t second = startBench(temp.path() / "second.out");
    const int finished = waitFor(second);
    ASSERT_TRUE(WIFEXITED(finished));
    EXPECT_EQ(WEXITSTATUS(finished), 0);
    const nlohmann::json summary = lastJsonLine(temp.path() / "second.out");
    ASSERT_TRUE(summary.is_object());
    EXPECT_EQ(summary.at("status"), "succeeded");
    EXPECT_EQ(summary.at("scanned"), fileCount);
    // What was confirmed before the kill is never sent again: it is either recorded or adopted from the
    // listing.
    const std::int64_t confirmedBeforeSecond =
        static_cast<std::int64_t>(fileCount) - summary.at("uploaded").get<std::int64_t>();
    EXPECT_GE(confirmedBeforeSecond, recordedBefore);
    EXPECT_EQ(control().files(email).size(), static_cast<std::size_t>(fileCount));

    EXPECT_EQ(integrityCheck(), "ok");
    RecordingLogger logger;
    BackupIndex index(state(), logger);
    const std::vector<RunRecord> runs = index.recentRuns(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].status, RunStatus::cancelled);
    EXPECT_EQ(runs[1].message, "Interrupted. The next run picks up where this one stopped.");
    const std::set<std::string> confirmed = confirmedIDs();
    for (const IndexedFile& row : index.files()) {
        ASSERT_TRUE(row.keldraFileID) << row.path;
        EXPECT_TRUE(confirmed.contains(*row.keldraFileID)) << row.path;
    }
}

} // namespace
} // namespace keldra::test
