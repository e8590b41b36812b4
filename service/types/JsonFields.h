#pragma once

#include "service/types/DecodingError.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keldra::json_fields {

using Json = nlohmann::json;

// The portal writes snake_case keys; some answers use the camel-case spelling of the same field. A key
// matches a field when converting it from snake_case gives the field's camel-case name (a key without
// underscores is taken as it is).
std::string camelCaseFromSnakeCase(std::string_view key);

// The value stored for the field whose wire key is `snakeKey`, or nullptr when the object lacks it.
const Json* find(const Json& object, std::string_view snakeKey);

// Fails unless the value is a JSON object; `record` names the record for the description.
void requireObject(const Json& value, std::string_view record);

// A required field: missing or undecodable fails the record.
template <typename T> T required(const Json& object, std::string_view snakeKey);

// An optional field: a missing key or null gives no value; a present value that does not decode fails.
template <typename T> std::optional<T> optional(const Json& object, std::string_view snakeKey);

// Like optional, but a present value that does not decode gives no value too.
template <typename T> std::optional<T> tolerant(const Json& object, std::string_view snakeKey);

// Decoding of one value into T. Specialised for String, lists and every record with fromJson.
template <typename T> struct Decode {
    static T from(const Json& value) { return T::fromJson(value); }
};

template <> struct Decode<std::string> {
    static std::string from(const Json& value) {
        if (!value.is_string()) {
            throw DecodingError("Expected a string");
        }
        return value.get<std::string>();
    }
};

template <typename E> struct Decode<std::vector<E>> {
    static std::vector<E> from(const Json& value) {
        if (!value.is_array()) {
            throw DecodingError("Expected an array");
        }
        std::vector<E> out;
        out.reserve(value.size());
        for (const auto& element : value) {
            out.push_back(Decode<E>::from(element));
        }
        return out;
    }
};

template <typename T> T required(const Json& object, std::string_view snakeKey) {
    const Json* value = find(object, snakeKey);
    if (value == nullptr) {
        throw DecodingError("Missing key " + std::string(snakeKey));
    }
    return Decode<T>::from(*value);
}

template <typename T> std::optional<T> optional(const Json& object, std::string_view snakeKey) {
    const Json* value = find(object, snakeKey);
    if (value == nullptr || value->is_null()) {
        return std::nullopt;
    }
    return Decode<T>::from(*value);
}

template <typename T> std::optional<T> tolerant(const Json& object, std::string_view snakeKey) {
    try {
        return optional<T>(object, snakeKey);
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

} // namespace keldra::json_fields
