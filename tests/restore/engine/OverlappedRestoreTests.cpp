#include "core/codec/Base64.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/RestoreRun.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"
#include "tests/support/CancellingSleeper.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/LoopbackListener.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keldra {
namespace {

namespace fs = std::filesystem;
using test::CancellingSleeper;
using test::RecordingSleeper;

constexpr const char* email = "overlap@example.com";

class PlentyOfMemory final : public MemoryInfo {
public:
    std::uint64_t availableMemoryBytes() const override { return 8ULL << 30; }
};

// What a restore run posted, in order.
struct Posted {
    std::optional<std::string> current;
    int done = 0;
};

// Runs whole restores, where the next file is fetched while the one before is placed.
class OverlappedRestore : public test::LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        const auto account = control().createAccount({{"email", email}});
        api_.setToken(account.at("token").get<std::string>());
        SymmetricKey bytes{};
        bytes.fill(9);
        key_ = KeldraKey(bytes);
    }

    static std::string contentOf(int i) { return "restored content of file " + std::to_string(i); }

    // File i of the run, stored as a finished upload would store it.
    RestoreItem seed(int i) { return seed(i, contentOf(i)); }

    // File i with the given content; `damage` may change its sealed body before it is stored.
    RestoreItem seed(int i, const std::string& content, const std::function<void(Bytes&)>& damage = {}) {
        const Bytes plaintext = toBytes(content);
        auto [iv, sealed] = key_.seal(plaintext);
        if (damage) {
            damage(sealed);
        }
        const std::string path = "~/docs/file-" + std::to_string(i) + ".txt";
        const auto file = control().seedFile({{"email", email},
                                              {"encrypted_name", key_.sealName(path)},
                                              {"body_base64", base64Encode(sealed)},
                                              {"encryption_iv", base64Encode(iv)},
                                              {"size_bytes", plaintext.size()}});
        return RestoreItem{FlexID::fromJson(file.at("id")), path, static_cast<std::int64_t>(plaintext.size()),
                           "docs/file-" + std::to_string(i) + ".txt", base64Encode(iv)};
    }

    RestorePlan plan(std::vector<RestoreItem> items, ConflictPolicy policy) const {
        return RestorePlan{.items = std::move(items),
                           .destination = RestoreDestination::folder(out()),
                           .policy = policy,
                           .key = key_};
    }

    RestoreSummary run(const RestorePlan& plan, const CancelToken& cancel = {},
                       const std::function<void(const RestoreProgress&)>& also = {},
                       RestoreEngine* engine = nullptr) {
        return runRestorePlan(engine ? *engine : engine_, plan, cancel, [&](const RestoreProgress& progress) {
            posted_.push_back({progress.current, progress.done});
            if (also) {
                also(progress);
            }
        });
    }

    fs::path out() const { return dir_.path() / "out"; }

    // Temp files a run left anywhere below the destination.
    std::vector<fs::path> leftovers() const {
        std::vector<fs::path> found;
        if (fs::exists(out())) {
            for (const auto& entry : fs::recursive_directory_iterator(out())) {
                if (entry.path().filename().native().starts_with(".keldra-restore-")) {
                    found.push_back(entry.path());
                }
            }
        }
        return found;
    }

    // The posts of a run that handled `items` in order: start, then each item's start and end, then the end.
    static std::vector<Posted> expectedPosts(const std::vector<RestoreItem>& items, std::size_t handled) {
        std::vector<Posted> posts{{std::nullopt, 0}};
        for (std::size_t i = 0; i < handled; ++i) {
            posts.push_back({items[i].keldraPath, static_cast<int>(i)});
            posts.push_back({items[i].keldraPath, static_cast<int>(i) + 1});
        }
        return posts;
    }

    test::TempDir dir_;
    test::VirtualClock clock_;
    RecordingSleeper apiSleeper_{&clock_};
    KeldraAPI api_{clock_, apiSleeper_, baseUrl()};
    StorageTransport storage_;
    PlentyOfMemory memory_;
    RecordingSleeper sleeper_;
    RestoreEngine engine_{api_, storage_, sleeper_, memory_};
    KeldraKey key_{SymmetricKey{}};
    std::vector<Posted> posted_;
};

bool operator==(const Posted& a, const Posted& b) {
    return a.current == b.current && a.done == b.done;
}

void PrintTo(const Posted& posted, std::ostream* os) {
    *os << "{" << posted.current.value_or("-") << ", " << posted.done << "}";
}

// More files than one placement group takes, with failures found while fetching (a file gone from the
// Keldra) and while placing (a folder where the file goes), each right before a file that is fetched
// meanwhile: every result belongs to its own item, in order, and nothing else is touched.
TEST_F(OverlappedRestore, EachItemKeepsItsOwnResultInOrder) {
    constexpr int count = 70;
    const std::set<int> gone{5, 64};
    const std::set<int> blocked{6, 30, 69};
    std::vector<RestoreItem> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(gone.contains(i)
                            ? RestoreItem{FlexID(std::to_string(900000 + i)),
                                          "~/docs/file-" + std::to_string(i) + ".txt", 10,
                                          "docs/file-" + std::to_string(i) + ".txt", std::nullopt}
                            : seed(i));
    }
    for (const int i : blocked) {
        // A folder with content at the target: the move into place fails, under either policy.
        test::writeFile(out() / items[i].relativePath / "keep.txt", "keep");
    }

    const RestoreSummary summary = run(plan(items, ConflictPolicy::replace));

    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.restored, count - 5);
    std::vector<std::string> failed;
    for (const auto& failure : summary.failures) {
        failed.push_back(failure.path);
    }
    EXPECT_EQ(failed,
              (std::vector<std::string>{items[5].keldraPath, items[6].keldraPath, items[30].keldraPath,
                                        items[64].keldraPath, items[69].keldraPath}));
    EXPECT_EQ(summary.failures[0].reason, "No longer in your Keldra.");
    for (int i = 0; i < count; ++i) {
        const fs::path target = out() / items[i].relativePath;
        if (blocked.contains(i)) {
            EXPECT_EQ(test::readFile(target / "keep.txt"), "keep") << i;
        } else if (gone.contains(i)) {
            EXPECT_FALSE(fs::exists(target)) << i;
        } else {
            EXPECT_EQ(test::readFile(target), contentOf(i)) << i;
        }
    }
    EXPECT_EQ(summary.lastWritten, out() / items[68].relativePath);
    EXPECT_TRUE(leftovers().empty());

    std::vector<Posted> expected = expectedPosts(items, count);
    expected.push_back({std::nullopt, count});
    EXPECT_EQ(posted_, expected);
}

// Content larger than the pieces the restore writes, so a body reaches its temp file before its tag is
// checked.
std::string largeContent(int i) {
    std::string content(9 * 1024 * 1024 + 5, '\0');
    for (std::size_t at = 0; at < content.size(); ++at) {
        content[at] = static_cast<char>((at * 7 + static_cast<std::size_t>(i)) >> 3);
    }
    return content;
}

// Bodies that fail their tag only at their very end, after their content was written: none is placed,
// each fails its own item with the damaged-file reason, the good copies they would have replaced stay, no
// temp file is left, and the files around them are restored.
TEST_F(OverlappedRestore, ABodyThatFailsItsTagIsNeverPlaced) {
    struct Case {
        const char* label;
        std::function<void(Bytes&)> damage;
    };
    const std::vector<Case> damaged{
        {"tag changed",
         [](Bytes& body) {
             body.back() ^= 1;
         }},
        {"content changed",
         [](Bytes& body) {
             body[body.size() / 2] ^= 0x40;
         }},
        {"cut short",
         [](Bytes& body) {
             body.resize(body.size() - 100);
         }},
        {"shorter than a tag",
         [](Bytes& body) {
             body.resize(10);
         }},
    };
    std::vector<RestoreItem> items;
    std::vector<std::string> expectedFailures;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const int good = static_cast<int>(2 * i);
        items.push_back(seed(good, largeContent(good)));
        items.push_back(seed(good + 1, largeContent(good + 1), damaged[i].damage));
        test::writeFile(out() / items.back().relativePath, "the good copy");
        expectedFailures.push_back(items.back().keldraPath);
    }

    const RestoreSummary summary = run(plan(items, ConflictPolicy::replace));

    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.restored, static_cast<int>(damaged.size()));
    ASSERT_EQ(summary.failures.size(), damaged.size());
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(damaged[i].label);
        EXPECT_EQ(summary.failures[i].path, expectedFailures[i]);
        EXPECT_EQ(summary.failures[i].reason,
                  "Couldn't decrypt: the file is damaged or was encrypted with a different key. Nothing was "
                  "written.");
        EXPECT_EQ(test::readFile(out() / items[2 * i + 1].relativePath), "the good copy");
        EXPECT_EQ(test::readFile(out() / items[2 * i].relativePath), largeContent(static_cast<int>(2 * i)));
    }
    EXPECT_TRUE(leftovers().empty());
    std::vector<Posted> expected = expectedPosts(items, items.size());
    expected.push_back({std::nullopt, static_cast<int>(items.size())});
    EXPECT_EQ(posted_, expected);
}

// A storage server that answers each connection with the headers of a whole body and then, in turn, the
// whole body, a part of it followed by a hang-up, or a part of it followed by silence until it is destroyed.
class BodyServer {
public:
    enum class Answer { whole, partThenClose, partThenSilence };

    BodyServer(Bytes body, std::vector<Answer> answers)
        : body_(std::move(body)), answers_(std::move(answers)) {
        thread_ = std::thread([this] { serve(); });
    }
    ~BodyServer() {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        listener_.shutDown();
        thread_.join();
    }

    std::string url() const { return listener_.url("/object"); }

private:
    void serve() {
        for (const Answer answer : answers_) {
            const int client = listener_.accept();
            if (client < 0) {
                return;
            }
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(got));
            }
            const std::string headers =
                "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n\r\n";
            (void)::send(client, headers.data(), headers.size(), MSG_NOSIGNAL);
            const std::size_t sent = answer == Answer::whole ? body_.size() : body_.size() * 2 / 3;
            for (std::size_t at = 0; at < sent;) {
                const ssize_t put = ::send(client, body_.data() + at, sent - at, MSG_NOSIGNAL);
                if (put <= 0) {
                    break;
                }
                at += static_cast<std::size_t>(put);
            }
            if (answer == Answer::partThenSilence) {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return closing_; });
            }
            ::close(client);
        }
    }

    Bytes body_;
    std::vector<Answer> answers_;
    test::LoopbackListener listener_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closing_ = false;
    std::thread thread_;
};

// A body that breaks off after a part of it was written: the next try starts a fresh temp file and the
// file is restored whole; a stop while the rest never comes ends the run with the part's temp file gone
// and the good copy in place.
TEST_F(OverlappedRestore, ABodyBrokenOffMidwayLeavesNoTempFile) {
    using Answer = BodyServer::Answer;
    const std::string content = largeContent(1);
    const auto [iv, sealed] = key_.seal(toBytes(content));
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "retried");
        fs::remove_all(out());
        const RestoreItem item = seed(0, "unused");
        test::writeFile(out() / item.relativePath, "the good copy");
        BodyServer server(sealed, stopped ? std::vector<Answer>{Answer::partThenSilence}
                                          : std::vector<Answer>{Answer::partThenClose, Answer::whole});
        control().addFault(
            {{"endpoint", "download-url"},
             {"status", 200},
             {"body", {{"data", {{"download_url", server.url()}, {"encryption_iv", base64Encode(iv)}}}}}});
        CancelSource stop;
        std::thread watcher;
        if (stopped) {
            // The stop comes once a part of the body is in its temp file.
            watcher = std::thread([&] {
                for (int wait = 0; wait < 2000; ++wait) {
                    for (const fs::path& temp : leftovers()) {
                        std::error_code error;
                        if (fs::file_size(temp, error) >= 4 * 1024 * 1024 && !error) {
                            stop.request_stop();
                            return;
                        }
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                stop.request_stop();
            });
        }

        const RestoreSummary summary = run(plan({item}, ConflictPolicy::replace), stop.get_token());
        if (watcher.joinable()) {
            watcher.join();
        }

        EXPECT_EQ(summary.cancelled, stopped);
        EXPECT_TRUE(summary.failures.empty());
        EXPECT_EQ(summary.restored, stopped ? 0 : 1);
        EXPECT_EQ(test::readFile(out() / item.relativePath), stopped ? "the good copy" : content);
        EXPECT_TRUE(leftovers().empty());
        control().clearFaults();
    }
}

// A stop while a later file is still downloading: the files before it are in place, that file and the
// rest keep the good copies that were there, no temp file is left, and the run ends as a stop does.
TEST_F(OverlappedRestore, AStopLeavesEveryGoodFileAsItWas) {
    for (const int stopAt : {0, 3}) {
        SCOPED_TRACE(stopAt);
        control().clearFaults();
        posted_.clear();
        fs::remove_all(out());
        std::vector<RestoreItem> items;
        for (int i = 0; i < 6; ++i) {
            items.push_back(seed(i));
            test::writeFile(out() / items.back().relativePath, "the good copy");
        }
        // Only a stop ends this download in time.
        control().addFault(
            {{"endpoint", "storage-get"}, {"skip", stopAt}, {"latency_ms", 600000}, {"count", 1}});
        CancelSource stop;
        const RestoreSummary summary =
            run(plan(items, ConflictPolicy::replace), stop.get_token(), [&](const RestoreProgress& progress) {
                if (progress.current == items[stopAt].keldraPath && progress.done == stopAt) {
                    stop.request_stop();
                }
            });

        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(summary.restored, stopAt);
        EXPECT_TRUE(summary.failures.empty());
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(test::readFile(out() / items[i].relativePath),
                      i < stopAt ? contentOf(i) : "the good copy")
                << i;
        }
        EXPECT_TRUE(leftovers().empty());
        std::vector<Posted> expected = expectedPosts(items, stopAt);
        expected.push_back({items[stopAt].keldraPath, stopAt});
        expected.push_back({std::nullopt, stopAt});
        EXPECT_EQ(posted_, expected);
    }
}

// A stop while files written ahead wait to be placed (the fourth download fails once, and the stop comes
// as the engine waits to try again): the files counted as restored are exactly those in place (none,
// unless the machine is too slow to write ahead), nothing is listed, and no temp file is left.
TEST_F(OverlappedRestore, AStopWithFilesWaitingToBePlaced) {
    std::vector<RestoreItem> items;
    for (int i = 0; i < 8; ++i) {
        items.push_back(seed(i));
    }
    control().addFault({{"endpoint", "storage-get"}, {"skip", 3}, {"status", 503}, {"count", 1}});
    CancelSource stop;
    CancellingSleeper sleeper(stop);
    RestoreEngine stopping(api_, storage_, sleeper, memory_);
    const RestoreSummary summary =
        run(plan(items, ConflictPolicy::keepBoth), stop.get_token(), {}, &stopping);

    EXPECT_TRUE(summary.cancelled);
    EXPECT_LE(summary.restored, 3);
    EXPECT_TRUE(summary.failures.empty());
    for (int i = 0; i < 8; ++i) {
        const fs::path target = out() / items[i].relativePath;
        if (i < summary.restored) {
            EXPECT_EQ(test::readFile(target), contentOf(i)) << i;
        } else {
            EXPECT_FALSE(fs::exists(target)) << i;
        }
    }
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(posted_.back().current, std::nullopt);
    EXPECT_EQ(posted_.back().done, summary.restored);
}

} // namespace
} // namespace keldra
