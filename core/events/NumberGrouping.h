#pragma once

#include <locale>
#include <string>

namespace keldra {

// Inserts the locale's thousands separator into a run of decimal digits, following its grouping rule
// ("1234567" gives "1,234,567" in English, "12,34,567" where groups are 3 then 2).
std::string groupDigits(const std::string& digits, const std::locale& locale);

// The locale's decimal mark ("." in English).
char decimalMark(const std::locale& locale);

} // namespace keldra
