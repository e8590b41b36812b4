#pragma once

#include <functional>
#include <nlohmann/json.hpp>

namespace keldra {

// A portal flag, sent as a boolean, an integer or a string ("1", "true", "yes" in any case are true).
// Once a value is present it never fails: anything unreadable is false.
struct FlexBool {
    bool value = false;

    FlexBool() = default;
    explicit FlexBool(bool v) : value(v) {}

    static FlexBool fromJson(const nlohmann::json& value);

    bool operator==(const FlexBool&) const = default;
};

void to_json(nlohmann::json& out, const FlexBool& v);
void from_json(const nlohmann::json& in, FlexBool& v);

} // namespace keldra

template <> struct std::hash<keldra::FlexBool> {
    std::size_t operator()(const keldra::FlexBool& v) const noexcept { return std::hash<bool>{}(v.value); }
};
