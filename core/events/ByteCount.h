#pragma once

#include <cstdint>
#include <locale>
#include <string>

namespace keldra {

// A file size for people, the one byte formatter every message and screen uses. Decimal units (1 KB = 1000
// bytes), KB, MB, GB and TB only: 0 is "Zero KB", anything below 1000 bytes "1 KB"; KB in whole numbers, MB
// with one decimal, GB and TB with two, trailing zeros dropped ("1.5 MB", "2.35 GB", "3 GB"). A value that
// rounds up to 1000 of a unit is shown in the next unit ("1 MB", not "1,000 KB"). Grouping and decimal mark
// follow the locale; without a locale argument the global C++ locale is used.
std::string formatByteCount(int64_t bytes);
std::string formatByteCount(int64_t bytes, const std::locale& locale);

} // namespace keldra
