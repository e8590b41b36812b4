#include "localportal/RequestBody.h"

#include "localportal/PortalContext.h"

#include <algorithm>
#include <cctype>

namespace keldra::localportal {

namespace {

// The media type of a Content-Type header, lower-cased, without parameters ("; charset=utf-8").
std::string mediaType(const std::string& header) {
    const std::string whole = header.substr(0, header.find(';'));
    const auto begin = whole.find_first_not_of(" \t");
    std::string type =
        begin == std::string::npos ? "" : whole.substr(begin, whole.find_last_not_of(" \t") + 1 - begin);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

void refuse(HttpResponse& res, int status, const std::string& message) {
    res.status = status;
    res.setContent(nlohmann::json{{"message", message}}.dump(), "application/json");
}

} // namespace

std::optional<nlohmann::json> jsonBody(const HttpRequest& req, HttpResponse& res) {
    if (mediaType(req.header("Content-Type")) != "application/json") {
        refuse(res, 415, "The request body must be sent as application/json.");
        return std::nullopt;
    }
    if (req.body.empty()) {
        refuse(res, 400, "The request body is empty; a JSON object was expected.");
        return std::nullopt;
    }
    auto json = nlohmann::json::parse(req.body, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        refuse(res, 400, "The request body must be a JSON object.");
        return std::nullopt;
    }
    return json;
}

std::string fieldWords(const char* field) {
    std::string words = field;
    std::replace(words.begin(), words.end(), '_', ' ');
    return words;
}

const nlohmann::json* BodyFields::present(const char* field) {
    const auto it = body_.find(field);
    if (it == body_.end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

void BodyFields::fail(const char* field, const std::string& message) {
    if (!errors_.contains(field)) {
        errors_[field] = nlohmann::ordered_json::array();
    }
    errors_[field].push_back(message);
}

std::optional<std::string> BodyFields::text(const char* field) {
    const auto* value = present(field);
    if (!value || (value->is_string() && value->get_ref<const std::string&>().empty())) {
        fail(field, "The " + fieldWords(field) + " field is required.");
        return std::nullopt;
    }
    return optionalText(field);
}

std::optional<std::string> BodyFields::optionalText(const char* field) {
    const auto* value = present(field);
    if (!value) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        fail(field, "The " + fieldWords(field) + " field must be a string.");
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<std::int64_t> BodyFields::count(const char* field) {
    const auto* value = present(field);
    if (!value) {
        fail(field, "The " + fieldWords(field) + " field is required.");
        return std::nullopt;
    }
    if (!value->is_number_integer()) {
        fail(field, "The " + fieldWords(field) + " field must be an integer.");
        return std::nullopt;
    }
    if (value->is_number_unsigned() ? value->get<std::uint64_t>() > INT64_MAX
                                    : value->get<std::int64_t>() < 0) {
        fail(field, "The " + fieldWords(field) + " field must be at least 0.");
        return std::nullopt;
    }
    return value->get<std::int64_t>();
}

std::optional<std::int64_t> BodyFields::id(const char* field) {
    if (!present(field)) {
        fail(field, "The " + fieldWords(field) + " field is required.");
        return std::nullopt;
    }
    return optionalId(field);
}

std::optional<std::int64_t> BodyFields::optionalId(const char* field) {
    const auto* value = present(field);
    if (!value) {
        return std::nullopt;
    }
    const auto id = idValue(*value);
    if (!id) {
        fail(field, "The " + fieldWords(field) + " field must be an integer.");
    }
    return id;
}

bool BodyFields::refused(HttpResponse& res) const {
    if (errors_.empty()) {
        return false;
    }
    std::size_t count = 0;
    for (const auto& [field, messages] : errors_.items()) {
        count += messages.size();
    }
    std::string message = errors_.begin()->front().get<std::string>();
    if (count > 1) {
        message += " (and " + std::to_string(count - 1) + (count == 2 ? " more error)" : " more errors)");
    }
    res.status = 422;
    res.setContent(nlohmann::ordered_json{{"message", message}, {"errors", errors_}}.dump(),
                   "application/json");
    return true;
}

} // namespace keldra::localportal
