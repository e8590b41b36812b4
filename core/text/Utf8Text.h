#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// File names and portal answers are bytes; these decide whether they can travel as text.
bool isValidUtf8(std::string_view bytes);
// The bytes with every invalid sequence replaced by U+FFFD.
std::string toDisplayUtf8(std::string_view bytes);

// The character of the well-formed UTF-8 sequence at byte `i`: its code point and length in bytes. None
// where the bytes there are not one.
struct Utf8Character {
    std::uint32_t codePoint = 0;
    std::size_t length = 0;
};
std::optional<Utf8Character> utf8CharacterAt(std::string_view bytes, std::size_t i);

// Without leading and trailing ASCII white space and line breaks.
std::string trimWhitespace(std::string_view text);

// The first `count` characters (code points) of UTF-8 text; an invalid byte counts as one character.
std::string firstCharacters(std::string_view text, std::size_t count);

// Number of characters (code points) of UTF-8 text; an invalid byte counts as one character.
std::size_t characterCount(std::string_view text);

} // namespace keldra
