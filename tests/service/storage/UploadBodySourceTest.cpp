// Pacing of a throttled upload body, on a virtual clock.
#include "service/storage/UploadBodySource.h"

#include "tests/support/RecordingSleeper.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

namespace keldra::test {
namespace {

Bytes patterned(std::size_t size) {
    Bytes body(size);
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    return body;
}

// Reads the whole body in pieces of at most `capacity`; answers the bytes and the largest piece.
std::pair<Bytes, std::size_t> drain(UploadBodySource& source, std::size_t capacity) {
    Bytes out;
    std::size_t largest = 0;
    std::vector<char> buffer(capacity);
    for (;;) {
        const auto got = source.read(buffer.data(), buffer.size());
        EXPECT_TRUE(got.has_value());
        if (!got || *got == 0) {
            break;
        }
        largest = std::max(largest, *got);
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*got));
    }
    return {out, largest};
}

TEST(UploadBodySource, RateIsRaisedToTheFloorAndChunksAreATenthOfASecond) {
    struct Case {
        double requested;
        double rate;
        std::size_t chunk;
    } cases[] = {
        {1000, 16384, 4096},         {16384, 16384, 4096},    {100000, 100000, 10000},
        {10000000, 10000000, 65536}, {256000, 256000, 25600},
    };
    for (const auto& c : cases) {
        const double rate = UploadBodySource::effectiveRate(c.requested);
        EXPECT_EQ(rate, c.rate) << c.requested;
        EXPECT_EQ(UploadBodySource::chunkSize(rate), c.chunk) << c.requested;
    }
}

TEST(UploadBodySource, PacedBodyTakesItsSizeOverTheRateLessOneChunk) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    const Bytes body = patterned(2 * 1024 * 1024);
    UploadBodySource source(body, 256000, clock, sleeper, {});
    const auto start = clock.now();
    const auto [sent, largest] = drain(source, 65536);
    EXPECT_EQ(sent, body);
    EXPECT_EQ(largest, 25600u);
    // The last piece goes out once everything before it is due: 2073600 / 256000 s.
    const double elapsed = Seconds(clock.now() - start).count();
    EXPECT_NEAR(elapsed, (2097152.0 - 2097152 % 25600) / 256000.0, 1e-3);
    for (const double wait : sleeper.waitSeconds()) {
        EXPECT_LE(wait, 1.0);
    }
}

TEST(UploadBodySource, UnpacedBodyNeverWaits) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    const Bytes body = patterned(300000);
    UploadBodySource source(body, 0, clock, sleeper, {});
    EXPECT_FALSE(source.paced());
    EXPECT_EQ(drain(source, 1 << 20).first, body);
    EXPECT_TRUE(sleeper.waits().empty());

    const Bytes empty;
    UploadBodySource nothing(empty, 50000, clock, sleeper, {});
    char byte = 0;
    EXPECT_EQ(nothing.read(&byte, 1), std::optional<std::size_t>(0));
    EXPECT_TRUE(sleeper.waits().empty());
}

TEST(UploadBodySource, RewindStartsAgainAtTheFirstByteWithAFreshClock) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    const Bytes body = patterned(100000);
    UploadBodySource source(body, 16384, clock, sleeper, {});
    std::vector<char> buffer(65536);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(source.read(buffer.data(), buffer.size()).has_value());
    }
    EXPECT_EQ(source.offset(), 5u * 4096u);
    clock.advance(Seconds(100)); // a long stall before the resend must not let the new body burst out

    source.rewind();
    const auto restart = clock.now();
    const auto [sent, largest] = drain(source, buffer.size());
    EXPECT_EQ(sent, body);
    EXPECT_EQ(largest, 4096u);
    EXPECT_NEAR(Seconds(clock.now() - restart).count(), (100000.0 - 100000 % 4096) / 16384.0, 1e-3);
}

TEST(UploadBodySource, CancellationEndsAWait) {
    VirtualClock clock;
    RecordingSleeper sleeper(&clock);
    const Bytes body = patterned(100000);
    CancelSource cancel;
    UploadBodySource source(body, 16384, clock, sleeper, cancel.get_token());
    std::vector<char> buffer(4096);
    ASSERT_EQ(source.read(buffer.data(), buffer.size()), std::optional<std::size_t>(4096));
    cancel.request_stop();
    EXPECT_EQ(source.read(buffer.data(), buffer.size()), std::nullopt);
}

} // namespace
} // namespace keldra::test
