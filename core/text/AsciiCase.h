#pragma once

#include <string>
#include <string_view>

namespace keldra {

// Lower-cases A–Z only: identifiers, keywords and English sentence parts, never user text, so no locale may
// change the result and UTF-8 sequences pass through untouched.
std::string lowerAscii(std::string_view text);

} // namespace keldra
