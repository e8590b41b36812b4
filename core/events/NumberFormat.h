#pragma once

#include <cstdint>
#include <locale>
#include <string>

namespace keldra {

// A count in decimal style with the locale's digit grouping ("12,345" in English), for run messages.
// Without a locale argument the global C++ locale is used, which the application sets from the environment.
std::string formatCount(int64_t count);
std::string formatCount(int64_t count, const std::locale& locale);

} // namespace keldra
