#pragma once

#include <string>
#include <string_view>

namespace keldra {

// The account scope key: FNV-1a 64 of the UTF-8 bytes of the e-mail address, trimmed of Unicode white
// space and line separators and fully lower-cased, as lowercase hex without leading zeros. It separates
// everything stored per account on this computer (secret items, the index folder, settings keys).
std::string scopeKey(std::string_view email);

} // namespace keldra
