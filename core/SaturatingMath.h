#pragma once

#include <cstdint>
#include <limits>

namespace keldra {

// Sizes and portal figures come from outside (listings, drives, answers we do not control): a sum or product
// that would overflow stops at the limit instead of wrapping round, so a quota, memory or progress test can
// never pass by accident.
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

inline std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    std::uint64_t out = 0;
    return __builtin_add_overflow(a, b, &out) ? std::numeric_limits<std::uint64_t>::max() : out;
}

inline std::uint64_t saturatingMul(std::uint64_t a, std::uint64_t b) {
    std::uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? std::numeric_limits<std::uint64_t>::max() : out;
}

} // namespace keldra
