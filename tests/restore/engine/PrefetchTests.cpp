#include "restore/engine/RestorePrefetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace keldra {
namespace {

// What the prepare function saw of the prefetch's threads.
struct Watch {
    std::mutex mutex;
    int inWork = 0;
    int mostInWork = 0;
    std::size_t started = 0; // items started so far (they start in order)
    std::vector<int> times;  // how often each item was prepared
};

// An item whose failure names its index, so the caller can tell which item it got.
PreparedItem namedItem(std::size_t index) {
    PreparedItem item;
    item.error = std::make_exception_ptr(std::runtime_error(std::to_string(index)));
    return item;
}

std::string nameOf(const PreparedItem& item) {
    try {
        std::rethrow_exception(item.error);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

// The prefetch never has more items in work than its threads nor starts one further than its reach past
// the last item taken, so what is held ahead stays bounded however slow the caller is; every item is
// prepared once and handed over in order.
TEST(RestorePrefetch, StaysWithinItsThreadsAndItsReachAhead) {
    constexpr std::size_t count = 30;
    constexpr std::size_t workers = 3;
    constexpr std::size_t ahead = 5;
    Watch watch;
    watch.times.assign(count, 0);
    {
        RestorePrefetch prefetch(
            [&](std::size_t index) {
                {
                    const std::lock_guard lock(watch.mutex);
                    watch.mostInWork = std::max(watch.mostInWork, ++watch.inWork);
                    watch.started = std::max(watch.started, index + 1);
                    ++watch.times[index];
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(index % 3));
                const std::lock_guard lock(watch.mutex);
                --watch.inWork;
                return namedItem(index);
            },
            count, workers, ahead);
        for (std::size_t index = 0; index < count; ++index) {
            const PreparedItem item = prefetch.take(index);
            EXPECT_EQ(nameOf(item), std::to_string(index));
            // A slow caller: the threads have all the time they want to run ahead.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const std::lock_guard lock(watch.mutex);
            EXPECT_LE(watch.started, index + 1 + ahead) << index;
        }
    }
    EXPECT_LE(watch.mostInWork, static_cast<int>(workers));
    EXPECT_GT(watch.mostInWork, 1);
    EXPECT_EQ(watch.times, std::vector<int>(count, 1));
}

// An item that comes back cancelled is the last one started: the items in work beside it finish, and no
// thread starts another.
TEST(RestorePrefetch, NothingStartsAfterAStoppedItem) {
    constexpr std::size_t cancelledAt = 4;
    constexpr std::size_t workers = 3;
    Watch watch;
    std::condition_variable changed;
    bool released = false;
    {
        RestorePrefetch prefetch(
            [&](std::size_t index) {
                std::unique_lock lock(watch.mutex);
                watch.started = std::max(watch.started, index + 1);
                if (index == cancelledAt) {
                    PreparedItem item;
                    item.cancelled = true;
                    return item;
                }
                // Items after the stopped one hold their threads until the caller has the stop, so no
                // thread is free to start more before it.
                changed.wait(lock, [&] { return index < cancelledAt || released; });
                return namedItem(index);
            },
            100, workers, 8);
        for (std::size_t index = 0; index < cancelledAt; ++index) {
            EXPECT_EQ(nameOf(prefetch.take(index)), std::to_string(index));
        }
        EXPECT_TRUE(prefetch.take(cancelledAt).cancelled);
        {
            const std::lock_guard lock(watch.mutex);
            released = true;
        }
        changed.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    // At most the other threads' one item each beside the stopped one.
    EXPECT_LE(watch.started, cancelledAt + workers);
}

} // namespace
} // namespace keldra
