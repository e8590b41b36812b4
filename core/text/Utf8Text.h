#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keldra {

// File names and portal answers are bytes; these decide whether they can travel as text.
bool isValidUtf8(std::string_view bytes);
// The bytes with every invalid sequence replaced by U+FFFD.
std::string toDisplayUtf8(std::string_view bytes);

// Without leading and trailing ASCII white space and line breaks.
std::string trimWhitespace(std::string_view text);

// The first `count` characters (code points) of UTF-8 text; an invalid byte counts as one character.
std::string firstCharacters(std::string_view text, std::size_t count);

// Number of characters (code points) of UTF-8 text; an invalid byte counts as one character.
std::size_t characterCount(std::string_view text);

} // namespace keldra
