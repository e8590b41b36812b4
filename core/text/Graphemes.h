#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// The user-perceived characters (extended grapheme clusters) of UTF-8 text, in order: "👩‍💻" or "é" made
// of several code points is one character. An invalid byte counts as one character of its own.
std::vector<std::string> graphemeClusters(std::string_view text);

std::size_t graphemeCount(std::string_view text);

} // namespace keldra
