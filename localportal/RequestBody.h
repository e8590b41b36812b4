#pragma once

#include "localportal/HttpMessage.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra::localportal {

// The JSON object body of an API request, refused the way the portal refuses it: 415 unless it is sent
// as application/json, 400 when it is empty, not JSON or not an object. Nothing, with the refusal
// written to res, when it fails.
std::optional<nlohmann::json> jsonBody(const HttpRequest& req, HttpResponse& res);

// The field checks of one request body. Every failed check is kept, and refused() answers them all at
// once as a 422 with an "errors" object naming each field, the shape the client's error mapping reads.
class BodyFields {
public:
    explicit BodyFields(const nlohmann::json& body) : body_(body) {}

    // A string that is present and not empty.
    std::optional<std::string> text(const char* field);
    // A string when present; absent or null give nothing.
    std::optional<std::string> optionalText(const char* field);
    // A whole number of at least 0, sent as a JSON integer.
    std::optional<std::int64_t> count(const char* field);
    // An identifier: a JSON integer or a string of digits.
    std::optional<std::int64_t> id(const char* field);
    // An identifier, or absent or null (nothing).
    std::optional<std::int64_t> optionalId(const char* field);
    // Records a failure found by the caller.
    void fail(const char* field, const std::string& message);

    // True, with the 422 written, when any check failed.
    bool refused(HttpResponse& res) const;

private:
    const nlohmann::json* present(const char* field);

    const nlohmann::json& body_;
    nlohmann::ordered_json errors_ = nlohmann::ordered_json::object();
};

// The field's name as the validation messages write it: "size_bytes" → "size bytes".
std::string fieldWords(const char* field);

} // namespace keldra::localportal
