#pragma once

#include "core/Bytes.h"
#include "service/api/KeldraAPIError.h"
#include "service/types/DecodingError.h"

#include <nlohmann/json.hpp>

namespace keldra::answer {

// The body as JSON; a discarded value when it is not JSON.
inline nlohmann::json parseJson(const Bytes& body) {
    return nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
}

// The value inside a {"data": ...} envelope (an object whose only member "data" holds an object or an
// array), or the answer itself.
inline const nlohmann::json& envelopeContent(const nlohmann::json& answer) {
    if (answer.is_object() && answer.size() == 1) {
        if (auto it = answer.find("data"); it != answer.end() && (it->is_object() || it->is_array())) {
            return *it;
        }
    }
    return answer;
}

// The answer decoded as T, or KeldraAPIError::decoding naming the record.
template <typename T> T decode(const nlohmann::json& value, const char* typeName) {
    try {
        if (value.is_discarded()) {
            throw DecodingError("Not JSON");
        }
        return T::fromJson(value);
    } catch (const DecodingError&) {
        throw KeldraAPIError::decoding(typeName);
    } catch (const nlohmann::json::exception&) {
        throw KeldraAPIError::decoding(typeName);
    }
}

template <typename T> T decode(const Bytes& body, bool envelope, const char* typeName) {
    const nlohmann::json parsed = parseJson(body);
    return decode<T>(envelope ? envelopeContent(parsed) : parsed, typeName);
}

} // namespace keldra::answer
