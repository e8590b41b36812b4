#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keldra::jsonfield {

// Strict readers for stored records: a value of the wrong JSON type does not decode (none).

inline std::optional<bool> readBool(const nlohmann::json& value) {
    if (!value.is_boolean()) {
        return std::nullopt;
    }
    return value.get<bool>();
}

// A whole number; a floating value counts only when it is integral and in range.
inline std::optional<std::int64_t> readInt(const nlohmann::json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_float()) {
        double number = value.get<double>();
        if (std::isfinite(number) && std::trunc(number) == number && number >= -9223372036854775808.0 &&
            number < 9223372036854775808.0) {
            return static_cast<std::int64_t>(number);
        }
    }
    return std::nullopt;
}

inline std::optional<double> readDouble(const nlohmann::json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    return value.get<double>();
}

inline std::optional<std::string> readString(const nlohmann::json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    return value.get<std::string>();
}

inline std::optional<std::vector<std::string>> readStrings(const nlohmann::json& value) {
    if (!value.is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    for (const auto& item : value) {
        if (!item.is_string()) {
            return std::nullopt;
        }
        strings.push_back(item.get<std::string>());
    }
    return strings;
}

// Walks an object's keys. A missing or null required key, or any wrong type, makes the whole read fail;
// a missing or null optional key reads as absent.
class ObjectReader {
public:
    explicit ObjectReader(const nlohmann::json& object) : object_(object), ok_(object.is_object()) {}

    bool ok() const { return ok_; }

    template <class T, class Read> void required(const char* key, T& out, Read read) {
        if (!ok_) {
            return;
        }
        auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            ok_ = false;
            return;
        }
        if (auto value = read(*found)) {
            out = std::move(*value);
        } else {
            ok_ = false;
        }
    }

    template <class T, class Read> void optional(const char* key, std::optional<T>& out, Read read) {
        if (!ok_) {
            return;
        }
        auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            out.reset();
            return;
        }
        if (auto value = read(*found)) {
            out = std::move(*value);
        } else {
            ok_ = false;
        }
    }

private:
    const nlohmann::json& object_;
    bool ok_;
};

} // namespace keldra::jsonfield
