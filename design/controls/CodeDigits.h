#pragma once
// What a six-digit code field keeps of the text typed or pasted into it. Qt-free so the filter is tested on
// its own.

#include <cstddef>
#include <string>
#include <string_view>

namespace keldra {

inline constexpr std::size_t codeLength = 6;

// The ASCII digits 0-9 of a UTF-8 text, in order, at most `codeLength` of them. Digits of other scripts,
// superscripts and other numeric characters are dropped like letters: the portal checks ASCII codes, and
// "²²²²²²" must never look like a complete code.
std::string keepCodeDigits(std::string_view utf8);

} // namespace keldra
