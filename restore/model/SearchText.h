#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keldra {

// The search text without blanks and tabs at either end (line breaks are kept).
std::string trimSearchText(std::string_view text);

// Whether UTF-8 text holds at least `count` user-perceived characters (a letter with its combining marks
// counts once).
bool hasAtLeastCharacters(std::string_view text, std::size_t count);

// The text case-folded code point by code point, so two texts that differ only in letter case fold to the
// same bytes and containment can be tested bytewise. A malformed byte stays as it is.
std::string foldedForSearch(std::string_view text);
void appendFoldedForSearch(std::string& out, std::string_view text);

} // namespace keldra
