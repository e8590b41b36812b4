#pragma once

#include <string>
#include <string_view>

namespace keldra {

// The English name of an ISO 3166-1 alpha-2 region code ("DE" gives "Germany"), from the system's iso-codes
// data; the code itself when it names no region or the data cannot be read.
std::string regionName(std::string_view code);

} // namespace keldra
