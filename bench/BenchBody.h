#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace keldra::bench {

// Bytes that do not compress (xorshift64), the same on every run, for the transfer benchmarks.
template <class Buffer> Buffer makeBody(std::size_t size) {
    Buffer body(size, typename Buffer::value_type{});
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(body.data() + i, &x, 8);
    }
    return body;
}

} // namespace keldra::bench
