#pragma once
// The "Also skip" field's text and the stored pattern list.

#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// The patterns of a typed text: split at every comma, each piece trimmed of spaces and tabs (line breaks
// stay), empty pieces dropped, the rest kept in order, duplicates too.
std::vector<std::string> splitCustomExclusions(std::string_view text);
// The stored patterns as the field shows them: joined with ", ".
std::string joinCustomExclusions(const std::vector<std::string>& patterns);

} // namespace keldra
