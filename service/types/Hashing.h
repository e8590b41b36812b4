#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace keldra {

// Mixes one more field into a record's hash.
template <typename T> void hashCombine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <typename T> void hashCombine(std::size_t& seed, const std::optional<T>& value) {
    hashCombine(seed, value.has_value());
    if (value) {
        hashCombine(seed, *value);
    }
}

} // namespace keldra
