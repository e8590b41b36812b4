#pragma once

#include <cstdint>
#include <limits>

namespace keldra::engine {

// Portal figures and file sizes come from outside; a sum or product that would overflow stops at the
// limit instead, so a quota or memory test can never wrap round and pass by accident.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_add_overflow(a, b, &out)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return out;
}

inline std::int64_t saturatingSub(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_sub_overflow(a, b, &out)) {
        return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return out;
}

inline std::int64_t saturatingMul(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_mul_overflow(a, b, &out)) {
        return (a < 0) == (b < 0) ? std::numeric_limits<std::int64_t>::max()
                                  : std::numeric_limits<std::int64_t>::min();
    }
    return out;
}

} // namespace keldra::engine
