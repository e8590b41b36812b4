#include "drive/format/SealAhead.h"

#include "drive/format/LocalFormat.h"

#include <algorithm>

namespace keldra::LocalFormat {

namespace {

// Checksummed and sealed a piece at a time, each piece still in the cache from one step to the next.
constexpr std::size_t sealPieceSize = 262144;

} // namespace

SealAhead::SealAhead(ReadChunk read, StreamingHmac& hmac, const SymmetricKey& content,
                     std::string_view objectID, const CancelToken& cancel, ChunkBufferPool& buffers)
    : read_(std::move(read)), hmac_(hmac), content_(content), objectID_(objectID), cancel_(cancel),
      pool_(buffers) {
    for (std::size_t i = 0; i < bufferCount; ++i) {
        buffers_.push_back(pool_.take());
        free_.push_back(buffers_.back().get());
    }
    reader_ = std::jthread([this](const std::stop_token& stop) { readChunks(stop); });
    sealer_ = std::jthread([this](const std::stop_token& stop) { sealChunks(stop); });
}

SealAhead::~SealAhead() {
    sealer_.request_stop();
    reader_.request_stop();
    changed_.notify_all();
    sealer_.join();
    reader_.join();
    for (ChunkBuffer& buffer : buffers_) {
        pool_.give(std::move(buffer));
    }
}

SealedChunk SealAhead::next() {
    std::unique_lock lock(mutex_);
    if (held_ != nullptr) {
        free_.push_back(const_cast<std::uint8_t*>(std::exchange(held_, nullptr)));
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return !sealed_.empty() || failure_; });
    if (sealed_.empty()) {
        std::rethrow_exception(failure_);
    }
    SealedChunk chunk = sealed_.front();
    sealed_.pop_front();
    held_ = chunk.data;
    return chunk;
}

std::uint8_t* SealAhead::takeBuffer(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [this] { return !free_.empty(); })) {
        return nullptr;
    }
    std::uint8_t* buffer = free_.back();
    free_.pop_back();
    return buffer;
}

std::optional<SealAhead::ReadBuffer> SealAhead::takeRead(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [this] { return !filled_.empty() || readFailure_; })) {
        return std::nullopt;
    }
    if (filled_.empty()) {
        std::rethrow_exception(readFailure_);
    }
    const ReadBuffer chunk = filled_.front();
    filled_.pop_front();
    return chunk;
}

void SealAhead::keepFailure(std::exception_ptr& slot) {
    {
        std::lock_guard lock(mutex_);
        slot = std::current_exception();
    }
    changed_.notify_all();
}

void SealAhead::readChunks(const std::stop_token& stop) {
    try {
        for (;;) {
            std::uint8_t* buffer = takeBuffer(stop);
            if (buffer == nullptr) {
                return;
            }
            const std::size_t length = read_(buffer);
            {
                std::lock_guard lock(mutex_);
                filled_.push_back(ReadBuffer{buffer, length});
            }
            changed_.notify_all();
            // A short chunk is the source's last.
            if (length < chunkSize || stop.stop_requested()) {
                return;
            }
            throwIfCancelled(cancel_);
        }
    } catch (...) {
        keepFailure(readFailure_);
    }
}

void SealAhead::sealChunks(const std::stop_token& stop) {
    try {
        StreamingSeal seal(content_);
        std::optional<ReadBuffer> current = takeRead(stop);
        if (!current) {
            return;
        }
        for (std::uint64_t index = 0;; ++index) {
            // One chunk read ahead decides the last flag, as the writer does.
            std::optional<ReadBuffer> next;
            if (current->length == chunkSize) {
                next = takeRead(stop);
                if (!next) {
                    return;
                }
            }
            const bool last = !next || next->length == 0;

            SealedChunk chunk{current->data, current->length, randomNonce(), {}, last};
            seal.begin(chunk.nonce, chunkAad(objectID_, index, last));
            for (std::size_t done = 0; done < current->length;) {
                const std::size_t piece = std::min(sealPieceSize, current->length - done);
                hmac_.update(current->data + done, piece);
                seal.update(current->data + done, piece);
                done += piece;
            }
            chunk.tag = seal.finish();
            {
                std::lock_guard lock(mutex_);
                sealed_.push_back(chunk);
                if (last && next) {
                    free_.push_back(next->data);
                }
            }
            changed_.notify_all();
            if (last || stop.stop_requested()) {
                return;
            }
            throwIfCancelled(cancel_);
            current = next;
        }
    } catch (...) {
        keepFailure(failure_);
    }
}

} // namespace keldra::LocalFormat
