// The hints a drive run gives the kernel about the files it copies next: never beyond the window of files
// and bytes from the file being copied, none once the run is done, and never a wait for the run's end.

#include "drive/run/SourceReadAhead.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace keldra::test {
namespace {

using namespace std::chrono_literals;

std::vector<Candidate> candidatesOfSizes(const std::vector<std::int64_t>& sizes) {
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        Candidate candidate;
        candidate.path = "/f" + std::to_string(i);
        candidate.url = candidate.path;
        candidate.size = sizes[i];
        candidates.push_back(candidate);
    }
    return candidates;
}

// Records the hints given, and lets a test wait for a number of them.
struct HintLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::string, std::int64_t>> hints;

    SourceReadAhead::Hint hint() {
        return [this](const Candidate& candidate, std::int64_t bytes) {
            std::lock_guard lock(mutex);
            hints.emplace_back(candidate.path, bytes);
            changed.notify_all();
        };
    }
    // The hints once there are `count` of them and none more came for a moment.
    std::vector<std::pair<std::string, std::int64_t>> settled(std::size_t count) {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, 10s, [&] { return hints.size() >= count; }));
        changed.wait_for(lock, 50ms, [&] { return hints.size() > count; });
        return hints;
    }
};

TEST(SourceReadAhead, HintsStayWithinTheWindowOfFilesAndBytesFromTheFileBeingCopied) {
    using Hints = std::vector<std::pair<std::string, std::int64_t>>;
    {
        SCOPED_TRACE("by files");
        const auto candidates = candidatesOfSizes({10, 10, 10, 10, 0, 10});
        HintLog log;
        SourceReadAhead ahead(candidates, {2, 1000}, log.hint());
        EXPECT_EQ(log.settled(2), (Hints{{"/f0", 10}, {"/f1", 10}}));
        ahead.reached(2);
        EXPECT_EQ(log.settled(4), (Hints{{"/f0", 10}, {"/f1", 10}, {"/f2", 10}, {"/f3", 10}}));
        // An empty file needs no reading.
        ahead.reached(4);
        EXPECT_EQ(log.settled(5).back(), (std::pair<std::string, std::int64_t>{"/f5", 10}));
    }
    {
        SCOPED_TRACE("by bytes");
        const auto candidates = candidatesOfSizes({10, 600, 600, 5000, 10});
        HintLog log;
        SourceReadAhead ahead(candidates, {64, 1000}, log.hint());
        EXPECT_EQ(log.settled(2), (Hints{{"/f0", 10}, {"/f1", 600}}));
        ahead.reached(1);
        EXPECT_EQ(log.settled(2).size(), 2u);
        ahead.reached(2);
        EXPECT_EQ(log.settled(3).size(), 3u);
        // A file larger than the window is hinted once it is being copied, up to the window.
        ahead.reached(3);
        EXPECT_EQ(log.settled(4).back(), (std::pair<std::string, std::int64_t>{"/f3", 1000}));
    }
}

TEST(SourceReadAhead, EndsAtOnceWhenTheRunEndsAndSkipsWhatTheCopyPassed) {
    const auto candidates = candidatesOfSizes(std::vector<std::int64_t>(100, 10));
    HintLog log;
    {
        SourceReadAhead ahead(candidates, {1, 1000}, log.hint());
        EXPECT_EQ(log.settled(1).size(), 1u);
        // The copy moved on past files the thread never reached: they are not hinted after the fact.
        ahead.reached(50);
        EXPECT_EQ(log.settled(2).back().first, "/f50");
        // Leaving the scope while the thread waits for the copy must not wait for the rest.
    }
    EXPECT_EQ(log.hints.size(), 2u);

    // A hint still running when the run ends is waited for, and none follows it.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::promise<void> first;
    std::vector<std::string> hinted;
    std::thread releaser;
    {
        SourceReadAhead ahead(candidates, {64, 1000000}, [&](const Candidate& candidate, std::int64_t) {
            hinted.push_back(candidate.path);
            if (hinted.size() == 1) {
                first.set_value();
            }
            released.wait();
        });
        first.get_future().wait();
        releaser = std::thread([&release] {
            std::this_thread::sleep_for(50ms);
            release.set_value();
        });
    }
    releaser.join();
    EXPECT_EQ(hinted, (std::vector<std::string>{"/f0"}));
}

} // namespace
} // namespace keldra::test
