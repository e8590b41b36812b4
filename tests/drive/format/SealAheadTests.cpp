// The thread that reads and seals an object's next chunks while the writer writes the current one: the
// records it hands over open to the source's bytes in order with the right last flag, a read failure
// reaches the writer after the records sealed before it, and a stop or an abandoned write ends it at once.

#include "core/fs/RegularFile.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/LocalFormat.h"
#include "drive/format/SealAhead.h"
#include "tests/drive/format/DriveTestSupport.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keldra::test {
namespace {

using LocalFormat::SealAhead;
using LocalFormat::SealedChunk;

constexpr char objectID[] = "0123456789abcdef0123456789abcdef";
constexpr std::size_t chunk = LocalFormat::chunkSize;

// A source of `chunks` (a failure instead where `failAt` says) read chunk by chunk, each with its own
// pattern; counts its reads.
struct FakeSource {
    std::vector<Bytes> chunks;
    int failAt = -1;      // 0-based read that fails with EIO
    bool endless = false; // the first chunk again and again
    std::atomic<int> reads{0};

    SealAhead::ReadChunk reader() {
        return [this](std::uint8_t* buffer) -> std::size_t {
            const int read = reads++;
            if (read == failAt) {
                throw SourceReadError(EIO);
            }
            const std::size_t index = endless ? 0 : static_cast<std::size_t>(read);
            if (index >= chunks.size()) {
                return 0;
            }
            std::memcpy(buffer, chunks[index].data(), chunks[index].size());
            return chunks[index].size();
        };
    }
};

Bytes recordOf(const SealedChunk& sealed) {
    Bytes record(sealed.nonce.begin(), sealed.nonce.end());
    record.insert(record.end(), sealed.data, sealed.data + sealed.length);
    record.insert(record.end(), sealed.tag.begin(), sealed.tag.end());
    return record;
}

TEST(SealAhead, HandsOverEachChunkSealedInOrderAndTheFailureAfterThem) {
    const SymmetricKey content = LocalFormat::contentKey(driveTestKey());
    struct Case {
        const char* name;
        std::vector<std::size_t> sizes;
        int failAt;
        std::size_t recordsBeforeFailure; // all of them when nothing fails
    };
    const Case cases[] = {
        {"two chunks and a tail", {chunk, chunk, 7}, -1, 3},
        {"an exact multiple", {chunk, chunk}, -1, 2},
        // Each chunk is sealed once the next one is read (it decides the last flag): a failed read keeps
        // back the chunk before it.
        {"the third read fails", {chunk, chunk, chunk, chunk}, 2, 1},
        {"the first read fails", {chunk}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSource source;
        Bytes whole;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            source.chunks.push_back(patternBytes(c.sizes[i], static_cast<std::uint32_t>(i + 1)));
            whole.insert(whole.end(), source.chunks.back().begin(), source.chunks.back().end());
        }
        source.failAt = c.failAt;
        LocalFormat::StreamingHmac hmac(driveTestKey().checksumKey());
        std::vector<Bytes> records;
        bool failed = false;
        {
            LocalFormat::ChunkBufferPool buffers;
            SealAhead ahead(source.reader(), hmac, content, objectID, {}, buffers);
            try {
                for (;;) {
                    const SealedChunk sealed = ahead.next();
                    records.push_back(recordOf(sealed));
                    const std::size_t index = records.size() - 1;
                    EXPECT_EQ(sealed.last, index + 1 == c.sizes.size()) << index;
                    const auto opened = gcmOpenRecord(content, records.back().data(), records.back().size(),
                                                      LocalFormat::chunkAad(objectID, index, sealed.last));
                    ASSERT_TRUE(opened) << index;
                    EXPECT_EQ(*opened, source.chunks[index]) << index;
                    if (sealed.last) {
                        break;
                    }
                }
            } catch (const SourceReadError& error) {
                failed = true;
                EXPECT_EQ(error.errorNumber(), EIO);
            }
        }
        EXPECT_EQ(failed, c.failAt >= 0);
        EXPECT_EQ(records.size(), c.recordsBeforeFailure);
        if (!failed) {
            // The checksum covers the whole source, as the writer's own would.
            LocalFormat::StreamingHmac expected(driveTestKey().checksumKey());
            expected.update(whole.data(), whole.size());
            EXPECT_EQ(hmac.finish(), expected.finish());
        }
    }
}

TEST(SealAhead, AStopOrAnAbandonedWriteEndsTheThreadAtOnce) {
    const SymmetricKey content = LocalFormat::contentKey(driveTestKey());
    FakeSource endless;
    endless.chunks = {patternBytes(chunk)};
    endless.endless = true;
    {
        // The writer takes one record and gives up (its drive failed): the thread, which has filled the
        // buffers it may hold, stops reading.
        LocalFormat::StreamingHmac hmac(driveTestKey().checksumKey());
        LocalFormat::ChunkBufferPool buffers;
        SealAhead ahead(endless.reader(), hmac, content, objectID, {}, buffers);
        EXPECT_FALSE(ahead.next().last);
    }
    EXPECT_LE(endless.reads, static_cast<int>(SealAhead::bufferCount));

    // A stop: the writer meets CancelledError after at most the records already sealed.
    endless.reads = 0;
    CancelSource stop;
    LocalFormat::StreamingHmac hmac(driveTestKey().checksumKey());
    LocalFormat::ChunkBufferPool buffers;
    SealAhead ahead(endless.reader(), hmac, content, objectID, stop.get_token(), buffers);
    (void)ahead.next();
    stop.request_stop();
    int taken = 0;
    EXPECT_THROW(
        for (;;) {
            (void)ahead.next();
            ++taken;
        },
        CancelledError);
    EXPECT_LE(taken, static_cast<int>(SealAhead::bufferCount));
}

} // namespace
} // namespace keldra::test
