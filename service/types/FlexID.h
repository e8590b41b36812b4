#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// A portal identifier, sent sometimes as a JSON integer and sometimes as a string. Two ids are equal
// when their texts are: 42 and 042 are different ids.
struct FlexID {
    std::string raw;

    FlexID() = default;
    explicit FlexID(std::string text) : raw(std::move(text)) {}
    explicit FlexID(std::int64_t value) : raw(std::to_string(value)) {}

    // Integer, string, or a number rounded to an integer in the signed 64-bit range; anything else
    // fails with "ID is neither int nor string".
    static FlexID fromJson(const nlohmann::json& value);

    // The id as the portal wants it back: an integer when the text is a signed 64-bit decimal
    // integer (an optional sign and at least one digit), else the text as a string.
    nlohmann::json jsonValue() const;

    // The text itself (the description of an id).
    const std::string& description() const { return raw; }

    // The id's integer when its text parses completely as one.
    std::optional<std::int64_t> integerValue() const;

    bool operator==(const FlexID&) const = default;
};

// nlohmann-json hooks so stored records can hold ids directly.
void to_json(nlohmann::json& out, const FlexID& id);
void from_json(const nlohmann::json& in, FlexID& id);

} // namespace keldra

template <> struct std::hash<keldra::FlexID> {
    std::size_t operator()(const keldra::FlexID& id) const noexcept {
        return std::hash<std::string>{}(id.raw);
    }
};
