#include "drive/format/ObjectMetadata.h"

#include "core/text/Utf8Text.h"
#include "drive/format/EncoderJson.h"
#include "drive/format/JsonFields.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace keldra::LocalFormat {

std::string encodeMetadata(const Metadata& metadata) {
    if (!isValidUtf8(metadata.path) || !isValidUtf8(metadata.hmac)) {
        throw std::invalid_argument("metadata text is not UTF-8");
    }
    std::string out = "{\"path\":";
    appendJsonString(out, metadata.path);
    out += ",\"size\":";
    out += std::to_string(metadata.size);
    out += ",\"mtime\":";
    out += jsonNumber(metadata.mtime);
    out += ",\"created\":";
    out += jsonNumber(metadata.created);
    out += ",\"hmac\":";
    appendJsonString(out, metadata.hmac);
    out += '}';
    return out;
}

std::optional<Metadata> decodeMetadata(std::string_view json) {
    const auto value = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!value.is_object()) {
        return std::nullopt;
    }
    auto path = jsonString(value, "path");
    auto size = jsonInt64(value, "size");
    auto mtime = jsonDouble(value, "mtime");
    auto created = jsonDouble(value, "created");
    auto hmac = jsonString(value, "hmac");
    if (!path || !size || !mtime || !created || !hmac) {
        return std::nullopt;
    }
    return Metadata{std::move(*path), *size, *mtime, *created, std::move(*hmac)};
}

} // namespace keldra::LocalFormat
