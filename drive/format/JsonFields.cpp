#include "drive/format/JsonFields.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace keldra::LocalFormat {
namespace {

const nlohmann::json* field(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

} // namespace

std::optional<std::string> jsonString(const nlohmann::json& object, std::string_view key) {
    const auto* value = field(object, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<std::int64_t> jsonInt64(const nlohmann::json& object, std::string_view key) {
    const auto* value = field(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_number_integer() && !value->is_number_unsigned()) {
        return value->get<std::int64_t>();
    }
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<std::int64_t>(number);
        }
    }
    return std::nullopt;
}

std::optional<double> jsonDouble(const nlohmann::json& object, std::string_view key) {
    const auto* value = field(object, key);
    if (value == nullptr || !value->is_number()) {
        return std::nullopt;
    }
    const double number = value->get<double>();
    if (!std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

} // namespace keldra::LocalFormat
