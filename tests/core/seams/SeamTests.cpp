#include "core/fs/AtomicFile.h"
#include "core/seams/KeyValueStore.h"
#include "core/seams/Sleeper.h"
#include "core/seams/XdgPaths.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace keldra;
using namespace keldra::test;

TEST(AtomicFile, ReplacesWholeFileAndLeavesNoTemporary) {
    TempDir dir;
    const auto file = dir / "a.json";
    writeFile(file, "old");
    ASSERT_FALSE(writeFileAtomically(file, "new contents"));
    EXPECT_EQ(readFile(file), "new contents");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, FailureKeepsTheOldFile) {
    TempDir dir;
    const auto file = dir / "missing-folder" / "a.json";
    EXPECT_TRUE(writeFileAtomically(file, "x"));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(FileKeyValueStore, SurvivesARestart) {
    TempDir dir;
    RecordingLogger logger;
    const auto file = dir / "config" / "defaults.json";
    {
        FileKeyValueStore store(file, logger);
        EXPECT_FALSE(store.value("settings.abc"));
        EXPECT_TRUE(store.setValue("settings.abc", nlohmann::json{{"a", 1}}));
        EXPECT_TRUE(store.setValue("scheduleSpreadMinutes", 17));
        EXPECT_TRUE(store.remove("scheduleSpreadMinutes"));
    }
    FileKeyValueStore reopened(file, logger);
    EXPECT_EQ(reopened.value("settings.abc"), (nlohmann::json{{"a", 1}}));
    EXPECT_FALSE(reopened.value("scheduleSpreadMinutes"));
}

TEST(FileKeyValueStore, AValueThatIsNotUtf8IsRefusedAndEveryOtherKeyKeepsSaving) {
    TempDir dir;
    RecordingLogger logger;
    const auto file = dir / "defaults.json";
    {
        FileKeyValueStore store(file, logger);
        EXPECT_TRUE(store.setValue("before", 1));
        EXPECT_FALSE(store.setValue("sources", nlohmann::json::array({"/media/\xff\xfe-disk"})));
        EXPECT_FALSE(store.setValue("name\xc3", "ok"));
        EXPECT_FALSE(store.value("sources"));
        EXPECT_TRUE(store.setValue("after", 2));
        EXPECT_TRUE(store.remove("before"));
    }
    FileKeyValueStore reopened(file, logger);
    EXPECT_FALSE(reopened.value("before"));
    EXPECT_EQ(reopened.value("after"), nlohmann::json(2));
    EXPECT_FALSE(reopened.value("sources"));
}

TEST(FileKeyValueStore, DamagedFileReadsAsEmptyAndIsKeptAside) {
    TempDir dir;
    RecordingLogger logger;
    const auto file = dir / "defaults.json";
    writeFile(file, "{\"settings.x\": tru");
    FileKeyValueStore store(file, logger);
    EXPECT_FALSE(store.value("settings.x"));
    EXPECT_TRUE(store.setValue("k", "v"));
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with("defaults.json.damaged-")) {
            keptAside = readFile(entry.path()) == "{\"settings.x\": tru";
        }
    }
    EXPECT_TRUE(keptAside);
    EXPECT_TRUE(logger.contains("damaged"));
}

TEST(ThreadSleeper, CancellationWakesAWaitAtOnce) {
    ThreadSleeper sleeper;
    CancelSource source;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        source.request_stop();
    });
    EXPECT_FALSE(sleeper.sleep(Seconds(3600), source.get_token()));
    canceller.join();
    EXPECT_TRUE(sleeper.sleep(Seconds(0.001), CancelSource().get_token()));
    EXPECT_THROW(sleeper.sleepOrThrow(Seconds(1), source.get_token()), CancelledError);
}

TEST(XdgPaths, FollowTheEnvironment) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/tmp/home-test", 1);
    EXPECT_EQ(appConfigDirectory(), "/tmp/cfg-test/orlivane-keldra");
    EXPECT_EQ(appDataDirectory(), "/tmp/home-test/.local/share/orlivane-keldra");
}
