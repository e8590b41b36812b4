#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "drive/format/ChunkBuffers.h"
#include "drive/format/FormatCrypto.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace keldra::LocalFormat {

// One chunk record sealed and ready for the drive: nonce, ciphertext, tag.
struct SealedChunk {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0; // plaintext and ciphertext alike
    Nonce nonce{};
    Tag tag{};
    bool last = false;
};

// Reads an object's chunks on one thread and checksums and seals them on another, a few chunks ahead of the
// writer, so a large file's next chunks are read and sealed while the current one goes to the drive: three
// steps of about the same cost, each on its own core. The records are those the writer would seal itself,
// in the same order. Memory: six chunk buffers.
class SealAhead {
public:
    // Fills the buffer (aligned as SourceChunkReader needs) with the next chunk of the source (chunkSize at
    // most) and returns its length, 0 at the end; throws SourceReadError.
    using ReadChunk = std::function<std::size_t(std::uint8_t* buffer)>;

    // The buffers come from `buffers` and go back to it when this ends.
    SealAhead(ReadChunk read, StreamingHmac& hmac, const SymmetricKey& content, std::string_view objectID,
              const CancelToken& cancel, ChunkBufferPool& buffers);
    // Stops both threads, waits for the chunks they are on and gives the buffers back.
    ~SealAhead();
    SealAhead(const SealAhead&) = delete;
    SealAhead& operator=(const SealAhead&) = delete;

    // The next record, once sealed; valid until the next call. Rethrows the threads' failure (a read error,
    // CancelledError) once the records sealed before it are taken.
    SealedChunk next();

    // Buffers in all: what the reading and the sealing threads hold, what waits for the writer and the
    // record the writer is writing.
    static constexpr std::size_t bufferCount = 6;

private:
    // A buffer filled by the reading thread: a whole chunk, or a short one at the source's end.
    struct ReadBuffer {
        std::uint8_t* data = nullptr;
        std::size_t length = 0;
    };

    void readChunks(const std::stop_token& stop);
    void sealChunks(const std::stop_token& stop);
    std::uint8_t* takeBuffer(const std::stop_token& stop);
    // The next chunk read, once read; nothing once stopped. Rethrows the reading thread's failure once the
    // chunks read before it are taken.
    std::optional<ReadBuffer> takeRead(const std::stop_token& stop);
    // Keeps the exception being handled for whoever waits on `slot`, and wakes them.
    void keepFailure(std::exception_ptr& slot);

    ReadChunk read_;
    StreamingHmac& hmac_;
    const SymmetricKey& content_;
    std::string objectID_;
    CancelToken cancel_;
    ChunkBufferPool& pool_;
    std::vector<ChunkBuffer> buffers_;

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::uint8_t*> free_;
    std::deque<ReadBuffer> filled_;
    std::exception_ptr readFailure_;
    std::deque<SealedChunk> sealed_;
    std::exception_ptr failure_;
    const std::uint8_t* held_ = nullptr; // the record the writer is writing
    // Last, each started when everything above is set; the sealer is joined before the reader.
    std::jthread reader_;
    std::jthread sealer_;
};

} // namespace keldra::LocalFormat
