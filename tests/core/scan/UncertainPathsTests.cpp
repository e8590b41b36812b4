#include "core/scan/UncertainPaths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace keldra {
namespace {

TEST(UncertainPaths, ContainsThePrefixAndEverythingBelowItButNotSiblings) {
    UncertainPaths uncertain;
    EXPECT_TRUE(uncertain.empty());
    uncertain.recordStoredPath("~/Photos");
    uncertain.recordStoredPath("~/Notes/todo.txt");
    uncertain.recordStoredPath("~/Photos"); // duplicates are kept
    struct Case {
        std::string path;
        bool inside;
    };
    const std::vector<Case> cases{
        {"~/Photos", true},         {"~/Photos/2024/a.jpg", true},
        {"~/Photos2/a.jpg", false}, {"~/Photo", false},
        {"~/Notes/todo.txt", true}, {"~/Notes/todo.txt.bak", false},
        {"~/Notes", false},         {"~", false},
        {"/Photos", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(uncertain.contains(c.path), c.inside) << c.path;
    }
    EXPECT_EQ(uncertain.prefixes(), (std::vector<std::string>{"~/Photos", "~/Notes/todo.txt", "~/Photos"}));
}

TEST(UncertainPaths, RecordStoresTheTildeFormOfTheHomeFolder) {
    const char* saved = std::getenv("HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("HOME", "/home/ana", 1);
    UncertainPaths uncertain;
    EXPECT_TRUE(uncertain.record("/home/ana/Music"));
    EXPECT_TRUE(uncertain.record("/home/anabel/Music"));
    EXPECT_TRUE(uncertain.record("/home/ana"));
    ::setenv("HOME", previous.c_str(), 1);
    EXPECT_EQ(uncertain.prefixes(), (std::vector<std::string>{"~/Music", "/home/anabel/Music", "~"}));
    EXPECT_TRUE(uncertain.contains("~/Music/song.mp3"));
    // The whole home folder unreadable covers every "~/" path.
    EXPECT_TRUE(uncertain.contains("~/Desktop/a.txt"));

    UncertainPaths root;
    root.recordStoredPath("/");
    EXPECT_TRUE(root.contains("/etc/hosts"));
}

TEST(UncertainPaths, RecordsFromManyThreadsWhileBeingRead) {
    UncertainPaths uncertain;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&uncertain, t] {
            for (int i = 0; i < 500; ++i) {
                uncertain.recordStoredPath("~/t" + std::to_string(t) + "/" + std::to_string(i));
                (void)uncertain.contains("~/t0/1/x");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(uncertain.prefixes().size(), 2000u);
    EXPECT_TRUE(uncertain.contains("~/t3/499/file"));
}

} // namespace
} // namespace keldra
