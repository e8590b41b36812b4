#pragma once

#include <string>
#include <string_view>

namespace keldra {

// File names are bytes; these decide whether they can travel as text.
bool isValidUtf8(std::string_view bytes);
// The bytes with every invalid sequence replaced by U+FFFD.
std::string toDisplayUtf8(std::string_view bytes);

} // namespace keldra
