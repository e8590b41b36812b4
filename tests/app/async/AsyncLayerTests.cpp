#include "app/async/ChooseFolder.h"
#include "app/async/Delay.h"
#include "app/async/QtTimers.h"
#include "app/async/ThreadLane.h"
#include "app/async/Workers.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/QtApp.h"
#include "tests/support/VirtualTimers.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

struct Recorded {
    bool finished = false;
    bool stale = false;
    std::string error;
};

class AsyncLayerTest : public ::testing::Test {
protected:
    void SetUp() override { qtApp(); }
    void TearDown() override { drainEvents(); }
};

} // namespace

TEST_F(AsyncLayerTest, WorkRunsOffTheCallingThreadAndResumesOnIt) {
    Workers workers(2);
    QObject owner;
    QThread* const gui = QThread::currentThread();
    QThread* workerThread = nullptr;
    QThread* resumedOn = nullptr;
    int value = 0;
    std::string thrown;
    bool done = false;

    auto task = [&]() -> QCoro::Task<> {
        auto computing = onWorker(workers, WorkGuard::forOwner(&owner), [&] {
            workerThread = QThread::currentThread();
            return 42;
        });
        value = co_await computing;
        resumedOn = QThread::currentThread();
        try {
            auto failing = onWorker(workers, WorkGuard::forOwner(&owner),
                                    []() -> void { throw std::runtime_error("disk gone"); });
            co_await failing;
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        done = true;
    };
    auto running = task();
    ASSERT_TRUE(runUntil([&] { return done; }));
    EXPECT_EQ(value, 42);
    EXPECT_NE(workerThread, gui);
    EXPECT_EQ(resumedOn, gui);
    EXPECT_EQ(thrown, "disk gone"); // the job's own error type reaches the caller
}

TEST_F(AsyncLayerTest, ALaneRunsItsJobsOneAtATimeInOrder) {
    Workers workers(4);
    auto lane = workers.newLane();
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::mt19937 random(7);
    std::vector<QFuture<JobOutcome<std::monostate>>> futures;
    for (int i = 0; i < 40; ++i) {
        const int pause = static_cast<int>(random() % 3);
        futures.push_back(Workers::submit(*lane, [&, i, pause] {
            if (inside.fetch_add(1) != 0) {
                overlapped = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            inside.fetch_sub(1);
        }));
    }
    for (auto& f : futures) {
        f.waitForFinished();
    }
    std::vector<int> expected(40);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(overlapped);
}

TEST_F(AsyncLayerTest, WorkWhoseOwnerOrAccountWentAwayStopsAfterItsWait) {
    Workers workers(2);
    struct Case {
        const char* name;
        bool destroyOwner;
        bool bumpGeneration;
        bool expectStale;
    };
    for (const Case& c :
         {Case{"owner destroyed", true, false, true}, Case{"account replaced", false, true, true},
          Case{"nothing changed", false, false, false}}) {
        SCOPED_TRACE(c.name);
        auto owner = std::make_unique<QObject>();
        AccountGeneration generation;
        std::atomic<bool> release{false};
        Recorded rec;
        bool wroteAfterWait = false;
        auto task = [&]() -> QCoro::Task<> {
            auto waiting = onWorker(workers, WorkGuard::forAccount(owner.get(), generation), [&] {
                while (!release) {
                    std::this_thread::sleep_for(1ms);
                }
            });
            co_await waiting;
            wroteAfterWait = true;
        };
        auto outer = [&]() -> QCoro::Task<> {
            try {
                co_await task();
            } catch (const StaleWork&) {
                rec.stale = true;
            }
            rec.finished = true;
        };
        auto running = outer();
        if (c.bumpGeneration) {
            generation.bump();
        }
        if (c.destroyOwner) {
            owner.reset();
        }
        release = true;
        ASSERT_TRUE(runUntil([&] { return rec.finished; }));
        EXPECT_EQ(rec.stale, c.expectStale);
        EXPECT_EQ(wroteAfterWait, !c.expectStale);
    }
}

TEST_F(AsyncLayerTest, ShuttingDownCancelsEverySourceAndWaitsForTheJobs) {
    auto workers = std::make_unique<Workers>(2);
    std::atomic<int> sawCancel{0};
    std::atomic<int> started{0};
    for (int i = 0; i < 2; ++i) {
        CancelSource source = workers->cancelSource();
        workers->submit([token = source.get_token(), &sawCancel, &started] {
            ++started;
            while (!token.stop_requested()) {
                std::this_thread::sleep_for(1ms);
            }
            ++sawCancel;
        });
    }
    ASSERT_TRUE(runUntil([&] { return started == 2; }));
    workers.reset(); // returns only once both jobs ended
    EXPECT_EQ(sawCancel, 2);
}

TEST_F(AsyncLayerTest, VirtualTimersFireInTimeOrderOnlyWhenTimeMoves) {
    VirtualClock clock;
    VirtualTimers timers(clock);
    const SystemTime start = clock.now();
    std::vector<std::pair<std::string, double>> fired;
    auto stamp = [&](std::string name) {
        fired.emplace_back(std::move(name), toUnixSeconds(clock.now()) - toUnixSeconds(start));
    };
    auto ticker = timers.repeating(30s, [&] { stamp("tick"); });
    auto once = timers.singleShot(45s, [&] { stamp("once"); });
    std::unique_ptr<TimerHandle> self;
    self = timers.singleShot(10s, [&] {
        stamp("self");
        self.reset(); // a timer may stop itself inside its callback
    });
    EXPECT_EQ(timers.active(), 3u);
    timers.advance(5s);
    EXPECT_TRUE(fired.empty());
    timers.advance(60s);
    const std::vector<std::pair<std::string, double>> expected{
        {"self", 10}, {"tick", 30}, {"once", 45}, {"tick", 60}};
    EXPECT_EQ(fired, expected);
    EXPECT_DOUBLE_EQ(toUnixSeconds(clock.now()) - toUnixSeconds(start), 65);
    ticker.reset();
    timers.advance(100s);
    EXPECT_EQ(fired.size(), expected.size());
}

TEST_F(AsyncLayerTest, ADelayResumesWhenDueAndUnwindsWhenItsOwnerGoes) {
    VirtualClock clock;
    VirtualTimers timers(clock);
    auto owner = std::make_unique<QObject>();
    Recorded first;
    auto waiter = [&](Recorded& rec, Seconds d) -> QCoro::Task<> {
        try {
            auto waiting = delay(timers, d, WorkGuard::forOwner(owner.get()));
            co_await waiting;
        } catch (const StaleWork&) {
            rec.stale = true;
        }
        rec.finished = true;
    };
    auto a = waiter(first, 5s);
    timers.advance(4.9s);
    EXPECT_FALSE(first.finished);
    timers.advance(0.1s);
    EXPECT_TRUE(first.finished);
    EXPECT_FALSE(first.stale);

    Recorded second;
    auto b = waiter(second, 3600s);
    owner.reset();
    ASSERT_TRUE(runUntil([&] { return second.finished; }));
    EXPECT_TRUE(second.stale); // ended without its hour passing
    timers.advance(3600s);     // the abandoned timer fires into nothing
}

TEST_F(AsyncLayerTest, QtTimersFireOnTheEventLoopAndMayStopThemselves) {
    QtTimers timers;
    int repeats = 0;
    bool single = false;
    std::unique_ptr<TimerHandle> repeating;
    repeating = timers.repeating(0.001s, [&] {
        if (++repeats == 3) {
            repeating.reset();
        }
    });
    auto once = timers.singleShot(0.001s, [&] { single = true; });
    ASSERT_TRUE(runUntil([&] { return single && repeats >= 3; }));
    drainEvents();
    EXPECT_EQ(repeats, 3);
}

TEST_F(AsyncLayerTest, AFolderChoiceIsAwaitedWithoutBlocking) {
    ScriptedFolderChooser chooser;
    chooser.holdAnswers = true;
    chooser.choices = {std::filesystem::path("/media/me/Photos"), std::nullopt};
    QObject owner;
    std::vector<std::optional<std::filesystem::path>> answers;
    auto ask = [&]() -> QCoro::Task<> {
        for (int i = 0; i < 2; ++i) {
            auto choosing = chooseFolder(chooser, "Choose", "Restore Here", WorkGuard::forOwner(&owner));
            answers.push_back(co_await choosing);
        }
    };
    auto task = ask();
    EXPECT_EQ(chooser.open(), 1u);
    EXPECT_TRUE(answers.empty());
    chooser.answerNext();
    chooser.answerNext();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0], std::filesystem::path("/media/me/Photos"));
    EXPECT_EQ(answers[1], std::nullopt);
    EXPECT_EQ(chooser.requests[0].prompt, "Restore Here");
}

TEST_F(AsyncLayerTest, AThreadLaneRunsItsJobsInOrderOnItsOwnThreadAndFinishesThemOnDestruction) {
    auto lane = std::make_unique<ThreadLane>("test-lane");
    std::vector<int> order;
    std::set<QThread*> threads;
    std::vector<QFuture<JobOutcome<std::monostate>>> futures;
    for (int i = 0; i < 20; ++i) {
        futures.push_back(Workers::submit(*lane, [&, i] {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            order.push_back(i);
            threads.insert(QThread::currentThread());
        }));
    }
    lane.reset(); // runs everything posted, then stops
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), QThread::currentThread());
    for (auto& f : futures) {
        EXPECT_TRUE(f.isFinished());
    }
}
