#include "drive/format/ChunkBuffers.h"

#include "drive/format/LocalFormat.h"

#include <new>

namespace keldra::LocalFormat {

void AlignedDelete::operator()(std::uint8_t* buffer) const {
    ::operator delete[](buffer, std::align_val_t{chunkBufferAlignment});
}

ChunkBuffer ChunkBufferPool::take() {
    {
        std::lock_guard lock(mutex_);
        if (!kept_.empty()) {
            ChunkBuffer buffer = std::move(kept_.back());
            kept_.pop_back();
            return buffer;
        }
    }
    return ChunkBuffer(
        static_cast<std::uint8_t*>(::operator new[](chunkSize, std::align_val_t{chunkBufferAlignment})));
}

void ChunkBufferPool::give(ChunkBuffer buffer) {
    std::lock_guard lock(mutex_);
    kept_.push_back(std::move(buffer));
}

} // namespace keldra::LocalFormat
