#pragma once

#include <string>
#include <string_view>

namespace keldra {

// The order people expect for file names: case-insensitive, and runs of digits compared by their value,
// so "file2" comes before "File10". Names that differ only in case or leading zeros fall back to their
// plain byte order, so the order is total and a sort is the same on every run.
int naturalCompare(std::string_view a, std::string_view b);

inline bool naturalLess(std::string_view a, std::string_view b) {
    return naturalCompare(a, b) < 0;
}

// A byte string whose plain byte order is naturalCompare's order up to its final tie-break: for any two
// texts, comparing their keys bytewise and, when the keys are equal, the texts bytewise gives exactly
// naturalCompare. Sorting many texts by key is much faster than calling naturalCompare for each pair.
std::string naturalSortKey(std::string_view text);
void appendNaturalSortKey(std::string& key, std::string_view text);

} // namespace keldra
