#include "design/controls/CodeDigits.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace keldra {

std::string keepCodeDigits(std::string_view utf8) {
    std::string digits;
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t at = 0;
    while (at < length && digits.size() < codeLength) {
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c); // an ill-formed sequence gives a negative value
        if (c >= 0 && u_charType(c) == U_DECIMAL_DIGIT_NUMBER)
            digits.push_back(static_cast<char>('0' + u_charDigitValue(c)));
    }
    return digits;
}

} // namespace keldra
