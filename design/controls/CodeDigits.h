#pragma once
// What a six-digit code field keeps of the text typed or pasted into it. Qt-free so the filter is tested on
// its own.

#include <cstddef>
#include <string>
#include <string_view>

namespace keldra {

inline constexpr std::size_t codeLength = 6;

// The decimal digits of a UTF-8 text, of any script ("١", "५", "５" as well as "5"), in order, each as its
// ASCII digit, at most `codeLength` of them: the portal checks ASCII codes. Numeric characters that are not
// decimal digits (superscripts, fractions, Roman numerals) are dropped like letters, so "²²²²²²" never
// looks like a complete code.
std::string keepCodeDigits(std::string_view utf8);

} // namespace keldra
