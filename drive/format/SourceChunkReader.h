#pragma once

#include "drive/format/ChunkBuffers.h"

#include <cstddef>
#include <cstdint>

namespace keldra::LocalFormat {

// Reads a large source file a chunk at a time for SealAhead's reading thread. Where the file system says how
// (statx's direct I/O alignment), the chunks come straight from the disk into the buffer (O_DIRECT),
// skipping the page cache: a backup reads each file once, and filling the cache costs as much as the read
// itself where new pages come slowly (a virtual machine whose freed memory goes back to its host). Anywhere
// else, and if a direct read is refused, it reads through the cache.
class SourceChunkReader {
public:
    // What a buffer given to next() must be aligned to.
    static constexpr std::size_t alignment = chunkBufferAlignment;

    // `fd`: the source, open for reading (its file position is not used). At most `limit` bytes in all are
    // read (none when negative).
    SourceChunkReader(int fd, std::int64_t limit);

    // Fills `buffer` (chunkSize bytes, aligned to `alignment`) with the next chunk of the source and returns
    // its length: chunkSize but at the end of the source or the limit, 0 after them. Throws SourceReadError.
    std::size_t next(std::uint8_t* buffer);

    bool direct() const { return direct_; }

private:
    std::size_t readDirect(std::uint8_t* buffer, std::size_t wanted, int& error);
    std::size_t readCached(std::uint8_t* buffer, std::size_t wanted, int& error);
    void stopDirect();

    int fd_;
    std::uint64_t offset_ = 0;
    std::uint64_t left_;
    bool direct_ = false;
};

// Whether a SourceChunkReader reads `fd` straight from the disk: its file system reads it directly with no
// more than SourceChunkReader's alignment.
bool directReadsFit(int fd);

} // namespace keldra::LocalFormat
