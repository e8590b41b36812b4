#include "core/memory/LargeBufferReuse.h"

#include <malloc.h>

namespace keldra {

namespace {

// The largest threshold the allocator accepts on 64-bit systems: buffers up to this size come from the heap
// and are reused; larger ones are still mapped one by one.
constexpr int largestHeapBuffer = 32 << 20;
// Free memory the heap keeps before giving it back to the system: room for the plain, the sealed and the
// downloaded body of one file of the largest heap size, so a run of such files never maps memory afresh.
constexpr int keptFreeMemory = 128 << 20;

} // namespace

bool keepLargeBuffersForReuse() {
    const bool threshold = ::mallopt(M_MMAP_THRESHOLD, largestHeapBuffer) == 1;
    const bool trim = ::mallopt(M_TRIM_THRESHOLD, keptFreeMemory) == 1;
    return threshold && trim;
}

} // namespace keldra
