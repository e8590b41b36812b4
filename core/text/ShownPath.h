#pragma once

#include <string>
#include <string_view>

namespace keldra {

// Long paths are shown by their end, where the file's name is: "…" and the last 78 characters.
// Characters are counted as Unicode scalar values, so a name is never cut inside a UTF-8 sequence.
std::string shownPath(std::string_view path);

} // namespace keldra
