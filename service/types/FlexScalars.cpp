#include "service/types/DecodingError.h"
#include "service/types/FlexBool.h"
#include "service/types/FlexID.h"
#include "service/types/FlexInt.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace keldra {

namespace {

// The range check comes before any cast: converting an out-of-range double is undefined.
constexpr double twoPow63 = 9223372036854775808.0;

std::optional<std::int64_t> parseDecimalInt64(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    // Parse with the sign attached so the most negative value is in range.
    std::string signedText = negative ? "-" + std::string(digits) : std::string(digits);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(signedText.data(), signedText.data() + signedText.size(), value);
    if (ec != std::errc{} || end != signedText.data() + signedText.size()) {
        return std::nullopt;
    }
    return value;
}

// A signed 64-bit integer held by a JSON number of nlohmann's integer kinds.
std::optional<std::int64_t> exactInteger(const nlohmann::json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(INT64_MAX)) {
            return static_cast<std::int64_t>(u);
        }
    }
    return std::nullopt;
}

// Any JSON number as a double (the unsigned kind above the signed range included).
double asDouble(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        return static_cast<double>(value.get<std::uint64_t>());
    }
    if (value.is_number_integer()) {
        return static_cast<double>(value.get<std::int64_t>());
    }
    return value.get<double>();
}

} // namespace

std::optional<std::int64_t> roundedToInt64(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::round(value);
    if (rounded < -twoPow63 || rounded >= twoPow63) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

// FlexID

FlexID FlexID::fromJson(const nlohmann::json& value) {
    if (auto exact = exactInteger(value)) {
        return FlexID(*exact);
    }
    if (value.is_string()) {
        return FlexID(value.get<std::string>());
    }
    if (value.is_number()) {
        if (auto rounded = roundedToInt64(asDouble(value))) {
            return FlexID(*rounded);
        }
    }
    throw DecodingError("ID is neither int nor string");
}

std::optional<std::int64_t> FlexID::integerValue() const {
    return parseDecimalInt64(raw);
}

nlohmann::json FlexID::jsonValue() const {
    if (auto number = integerValue()) {
        return *number;
    }
    return raw;
}

void to_json(nlohmann::json& out, const FlexID& id) {
    out = id.jsonValue();
}
void from_json(const nlohmann::json& in, FlexID& id) {
    id = FlexID::fromJson(in);
}

// FlexInt

FlexInt FlexInt::fromJson(const nlohmann::json& value) {
    if (auto exact = exactInteger(value)) {
        return FlexInt(*exact);
    }
    if (value.is_number()) {
        if (auto rounded = roundedToInt64(asDouble(value))) {
            return FlexInt(*rounded);
        }
    } else if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        // The whole text must be a C-locale number; from_chars takes no blanks and no leading "+".
        const char* begin = text.data();
        const char* end = text.data() + text.size();
        if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') {
            ++begin;
        }
        double parsed = 0;
        const auto [stop, ec] = std::from_chars(begin, end, parsed);
        if (begin != end && ec == std::errc{} && stop == end) {
            if (auto rounded = roundedToInt64(parsed)) {
                return FlexInt(*rounded);
            }
        }
    } else if (value.is_null()) {
        return FlexInt(0);
    }
    throw DecodingError("Not a number");
}

void to_json(nlohmann::json& out, const FlexInt& v) {
    out = v.value;
}
void from_json(const nlohmann::json& in, FlexInt& v) {
    v = FlexInt::fromJson(in);
}

// FlexBool

FlexBool FlexBool::fromJson(const nlohmann::json& value) {
    if (value.is_boolean()) {
        return FlexBool(value.get<bool>());
    }
    if (auto exact = exactInteger(value)) {
        return FlexBool(*exact != 0);
    }
    if (value.is_number_float()) {
        // Only a float holding an integer reads as one; anything else is unreadable and false.
        const double d = value.get<double>();
        if (auto rounded = roundedToInt64(d); rounded && static_cast<double>(*rounded) == d) {
            return FlexBool(*rounded != 0);
        }
        return FlexBool(false);
    }
    if (value.is_string()) {
        std::string lowered = value.get<std::string>();
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return FlexBool(lowered == "1" || lowered == "true" || lowered == "yes");
    }
    return FlexBool(false);
}

void to_json(nlohmann::json& out, const FlexBool& v) {
    out = v.value;
}
void from_json(const nlohmann::json& in, FlexBool& v) {
    v = FlexBool::fromJson(in);
}

} // namespace keldra
