#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keldra {

// The bytes as UTF-8 text, every invalid sequence replaced by U+FFFD.
std::string repairUtf8(std::string_view bytes);

// Without leading and trailing white space and line breaks.
std::string trimWhitespace(std::string_view text);

// The first `count` characters (code points) of valid UTF-8 text.
std::string firstCharacters(std::string_view text, std::size_t count);

// Number of characters (code points) of valid UTF-8 text.
std::size_t characterCount(std::string_view text);

} // namespace keldra
