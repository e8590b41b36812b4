#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace keldra {

// A portal count or size, sent as an integer, a float, a numeric string or null (which counts as 0).
// Anything else, or a value outside the signed 64-bit range, fails with "Not a number".
struct FlexInt {
    std::int64_t value = 0;

    FlexInt() = default;
    explicit FlexInt(std::int64_t v) : value(v) {}

    static FlexInt fromJson(const nlohmann::json& value);

    bool operator==(const FlexInt&) const = default;
};

void to_json(nlohmann::json& out, const FlexInt& v);
void from_json(const nlohmann::json& in, FlexInt& v);

// Rounds half away from zero and gives the result when it lies in the signed 64-bit range; NaN and
// infinities give nothing. Shared by the lenient scalars so no double is ever cast out of range.
std::optional<std::int64_t> roundedToInt64(double value);

} // namespace keldra

template <> struct std::hash<keldra::FlexInt> {
    std::size_t operator()(const keldra::FlexInt& v) const noexcept {
        return std::hash<std::int64_t>{}(v.value);
    }
};
