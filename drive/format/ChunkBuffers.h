#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace keldra::LocalFormat {

// What a chunk buffer is aligned to: enough for the direct reads of SourceChunkReader.
inline constexpr std::size_t chunkBufferAlignment = 4096;

struct AlignedDelete {
    void operator()(std::uint8_t* buffer) const;
};
// One chunk's buffer (chunkSize bytes), aligned to chunkBufferAlignment.
using ChunkBuffer = std::unique_ptr<std::uint8_t[], AlignedDelete>;

// Chunk buffers kept from one object to the next, so a run's large files reuse the same memory instead of
// having new pages supplied and zeroed for every file (24 MiB a file, where pages come slowly on a virtual
// machine). Held by whoever writes the objects, for as long as it writes them.
class ChunkBufferPool {
public:
    // A kept buffer, or a new one.
    ChunkBuffer take();
    // Keeps a buffer for the next take.
    void give(ChunkBuffer buffer);

private:
    std::mutex mutex_;
    std::vector<ChunkBuffer> kept_;
};

} // namespace keldra::LocalFormat
