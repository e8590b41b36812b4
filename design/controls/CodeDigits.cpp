#include "design/controls/CodeDigits.h"

namespace keldra {

std::string keepCodeDigits(std::string_view utf8) {
    std::string digits;
    // Every byte of a multi-byte UTF-8 sequence is 0x80 or above, so a byte test never splits a character.
    for (char c : utf8) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
            if (digits.size() == codeLength)
                break;
        }
    }
    return digits;
}

} // namespace keldra
