#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "drive/format/FormatCrypto.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
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

// Reads, checksums and seals an object's chunks on a thread of its own, a few chunks ahead of the writer,
// so a large file's next chunk is read and sealed while the current one goes to the drive. The records are
// those the writer would seal itself, in the same order. Memory: four chunk buffers.
class SealAhead {
public:
    // Fills the buffer with the next chunk of the source (chunkSize at most) and returns its length, 0 at
    // the end; throws SourceReadError.
    using ReadChunk = std::function<std::size_t(std::uint8_t* buffer)>;

    SealAhead(ReadChunk read, StreamingHmac& hmac, const SymmetricKey& content, std::string_view objectID,
              const CancelToken& cancel);
    // Stops the thread and waits for the chunk it is on.
    ~SealAhead();
    SealAhead(const SealAhead&) = delete;
    SealAhead& operator=(const SealAhead&) = delete;

    // The next record, once sealed; valid until the next call. Rethrows the thread's failure (a read error,
    // CancelledError) once the records sealed before it are taken.
    SealedChunk next();

private:
    static constexpr std::size_t bufferCount = 4;

    void work(const std::stop_token& stop);
    std::uint8_t* takeBuffer(const std::stop_token& stop);

    ReadChunk read_;
    StreamingHmac& hmac_;
    const SymmetricKey& content_;
    std::string objectID_;
    CancelToken cancel_;
    std::vector<std::unique_ptr<std::uint8_t[]>> buffers_;

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::uint8_t*> free_;
    std::deque<SealedChunk> sealed_;
    std::exception_ptr failure_;
    const std::uint8_t* held_ = nullptr; // the record the writer is writing
    std::jthread thread_;                // last: started when everything above is set
};

} // namespace keldra::LocalFormat
