#include "core/index/BackupIndex.h"
#include "tests/integration/KeldraSession.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingLogger.h"

#include <csignal>
#include <sys/wait.h>

namespace keldra::test {
namespace {

using KeldraTermination = KeldraSession;

// SIGTERM takes Quit's way out: the run is cancelled and the engines finish, so the index holds the run as
// stopped, never as still running.
TEST_F(KeldraTermination, SigtermDuringARunLeavesItStopped) {
    const auto documents = home() / "Documents";
    for (int i = 0; i < 12; ++i) {
        writeFile(documents / ("note-" + std::to_string(i) + ".txt"), "note " + std::to_string(i));
    }
    launch();
    setUpAccount(documents, false);
    quit();

    // Every upload link comes slowly, so the run is still uploading when the signal comes.
    control().addFault({{"endpoint", "upload-url"}, {"latency_ms", 1500}, {"count", -1}});
    const pid_t keldra = startProgram({"--autostart"});
    // Its first backup is due at start; wait until it uploads.
    ASSERT_TRUE(
        runUntil([&] { return control().requestCount("upload-url") >= 1; }, std::chrono::seconds(60)));
    ASSERT_EQ(kill(keldra, SIGTERM), 0);
    const auto status = waitForProgram(keldra);
    ASSERT_TRUE(status) << "keldra did not end after SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;

    RecordingLogger logger;
    BackupIndex index(accountFolder(), logger);
    const auto runs = index.recentRuns(5);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs.front().status, RunStatus::cancelled);
    EXPECT_EQ(runs.front().message, "Stopped. The next run picks up where this one stopped.");
    EXPECT_LT(runs.front().uploaded, 12);
}

} // namespace
} // namespace keldra::test
