#include "service/api/RateLimiter.h"

#include "tests/support/RecordingSleeper.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using test::RecordingSleeper;
using test::VirtualClock;

TEST(RateLimiter, Admits590AMinuteAndMakesThe591stWait) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    RateLimiter limiter(clock, sleeper);
    for (int i = 0; i < 590; ++i) {
        ASSERT_EQ(limiter.acquire(), 0.0);
    }
    EXPECT_TRUE(sleeper.waits().empty());
    EXPECT_DOUBLE_EQ(limiter.acquire(), 60.0);
    EXPECT_EQ(sleeper.waitSeconds(), std::vector<double>{60.0});
}

TEST(RateLimiter, WindowSlidesWithTheOldestStamp) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    RateLimiter limiter(clock, sleeper, 2);
    limiter.acquire();
    clock.advance(Seconds(30));
    limiter.acquire();
    // The oldest stamp is 30 s old: wait the 30 s left plus the 0.05 s margin.
    EXPECT_NEAR(limiter.acquire(), 30.05, 1e-6);
    // Now the second stamp (30.05 s old) is the oldest.
    EXPECT_NEAR(limiter.acquire(), 30.0, 1e-6);
}

TEST(RateLimiter, BlockUntilHoldsEveryRequestAndOnlyMovesForward) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    RateLimiter limiter(clock, sleeper);
    const SystemTime start = clock.now();
    limiter.blockUntil(7200); // capped at one hour
    EXPECT_EQ(limiter.blockedUntil(), start + std::chrono::hours(1));
    limiter.blockUntil(10); // earlier: no change
    EXPECT_EQ(limiter.blockedUntil(), start + std::chrono::hours(1));
    EXPECT_DOUBLE_EQ(limiter.acquire(), 3600.0);

    limiter.blockUntil(0.01);
    EXPECT_NEAR(limiter.acquire(), 0.05, 1e-9); // naps are never shorter than 0.05 s
}

TEST(RateLimiter, CancelledWaitThrowsAndRecordsNothing) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    RateLimiter limiter(clock, sleeper, 1);
    limiter.acquire();
    CancelSource source;
    source.request_stop();
    EXPECT_THROW(limiter.acquire(source.get_token()), CancelledError);
    // The cancelled request took no place in the window.
    clock.advance(Seconds(60));
    EXPECT_EQ(limiter.acquire(), 0.0);
}

} // namespace
} // namespace keldra
