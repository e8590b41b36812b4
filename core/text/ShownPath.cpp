#include "core/text/ShownPath.h"

#include <cstddef>
#include <vector>

namespace keldra {

namespace {

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::string shownPath(std::string_view path) {
    // Offsets of the first byte of every character.
    std::vector<std::size_t> starts;
    starts.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!isContinuationByte(static_cast<unsigned char>(path[i]))) {
            starts.push_back(i);
        }
    }
    if (starts.size() < 81) {
        return std::string(path);
    }
    return "\u2026" + std::string(path.substr(starts[starts.size() - 78]));
}

} // namespace keldra
