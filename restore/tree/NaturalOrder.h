#pragma once

#include <string_view>

namespace keldra {

// The order people expect for file names: case-insensitive, and runs of digits compared by their value,
// so "file2" comes before "File10". Names that differ only in case or leading zeros fall back to their
// plain byte order, so the order is total and a sort is the same on every run.
int naturalCompare(std::string_view a, std::string_view b);

inline bool naturalLess(std::string_view a, std::string_view b) {
    return naturalCompare(a, b) < 0;
}

} // namespace keldra
