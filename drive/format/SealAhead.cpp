#include "drive/format/SealAhead.h"

#include "drive/format/LocalFormat.h"

#include <algorithm>

namespace keldra::LocalFormat {

namespace {

// Checksummed and sealed a piece at a time, each piece still in the cache from one step to the next.
constexpr std::size_t sealPieceSize = 262144;

} // namespace

SealAhead::SealAhead(ReadChunk read, StreamingHmac& hmac, const SymmetricKey& content,
                     std::string_view objectID, const CancelToken& cancel)
    : read_(std::move(read)), hmac_(hmac), content_(content), objectID_(objectID), cancel_(cancel) {
    for (std::size_t i = 0; i < bufferCount; ++i) {
        buffers_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize));
        free_.push_back(buffers_.back().get());
    }
    thread_ = std::jthread([this](const std::stop_token& stop) { work(stop); });
}

SealAhead::~SealAhead() {
    thread_.request_stop();
    changed_.notify_all();
    // The jthread joins here, before the buffers it fills go.
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

void SealAhead::work(const std::stop_token& stop) {
    try {
        StreamingSeal seal(content_);
        std::uint8_t* current = takeBuffer(stop);
        if (current == nullptr) {
            return;
        }
        std::size_t currentLength = read_(current);
        for (std::uint64_t index = 0;; ++index) {
            // One chunk read ahead decides the last flag, as the writer does.
            std::uint8_t* next = nullptr;
            std::size_t nextLength = 0;
            if (currentLength == chunkSize) {
                next = takeBuffer(stop);
                if (next == nullptr) {
                    return;
                }
                nextLength = read_(next);
            }
            const bool last = nextLength == 0;

            SealedChunk chunk{current, currentLength, randomNonce(), {}, last};
            seal.begin(chunk.nonce, chunkAad(objectID_, index, last));
            for (std::size_t done = 0; done < currentLength;) {
                const std::size_t piece = std::min(sealPieceSize, currentLength - done);
                hmac_.update(current + done, piece);
                seal.update(current + done, piece);
                done += piece;
            }
            chunk.tag = seal.finish();
            {
                std::lock_guard lock(mutex_);
                sealed_.push_back(chunk);
                if (last && next != nullptr) {
                    free_.push_back(next);
                }
            }
            changed_.notify_all();
            if (last || stop.stop_requested()) {
                return;
            }
            throwIfCancelled(cancel_);
            current = next;
            currentLength = nextLength;
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        changed_.notify_all();
    }
}

} // namespace keldra::LocalFormat
