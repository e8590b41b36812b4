#include "drive/format/EncoderJson.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace keldra::LocalFormat {

void appendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out.push_back(hexDigits[byte >> 4]);
                out.push_back(hexDigits[byte & 0xf]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) {
        throw std::invalid_argument("JSON cannot hold a non-finite number");
    }
    if (value == 0) {
        return std::signbit(value) ? "-0" : "0";
    }
    // Shortest round-trip digits, then laid out the way the encoder lays them out.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = text.front() == '-';
    const auto ePosition = text.find('e');
    std::string digits;
    for (const char c : text.substr(negative ? 1 : 0, ePosition - (negative ? 1 : 0))) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    const int exponent = std::atoi(std::string(text.substr(ePosition + 1)).c_str());
    // value = 0.<digits> x 10^decimalExponent
    const int decimalExponent = exponent + 1;
    const int digitCount = static_cast<int>(digits.size());

    std::string out = negative ? "-" : "";
    if (decimalExponent < -3 || std::fabs(value) > 0x1.0p54) {
        out.push_back(digits[0]);
        if (digitCount > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out.push_back('e');
        out.push_back(exponent < 0 ? '-' : '+');
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) {
            out.push_back('0');
        }
        out += std::to_string(magnitude);
        return out;
    }
    if (decimalExponent <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-decimalExponent), '0');
        out += digits;
    } else if (decimalExponent < digitCount) {
        out.append(digits, 0, static_cast<std::size_t>(decimalExponent));
        out.push_back('.');
        out.append(digits, static_cast<std::size_t>(decimalExponent));
    } else {
        // Whole number: the encoder drops the ".0" its shortest form would carry.
        out += digits;
        out.append(static_cast<std::size_t>(decimalExponent - digitCount), '0');
    }
    return out;
}

} // namespace keldra::LocalFormat
