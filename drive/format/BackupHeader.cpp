#include "drive/format/BackupHeader.h"

#include "core/codec/Base64.h"
#include "drive/format/EncoderJson.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/JsonFields.h"
#include "drive/format/UtcTimestamp.h"

#include <nlohmann/json.hpp>

namespace keldra::LocalFormat {

BackupHeader makeHeader(const KeldraKey& key, SystemTime now) {
    const auto content = contentKey(key);
    const auto nonce = randomNonce();
    Bytes sealed(keyCheckText.begin(), keyCheckText.end());
    const auto tag = sealInPlace(content, nonce, sealed.data(), sealed.size(), keyCheckAad);
    sealed.insert(sealed.end(), tag.begin(), tag.end());
    return BackupHeader{std::string(formatTag), formatVersion, internetDateTime(now),
                        base64Encode(nonce.data(), nonce.size()), base64Encode(sealed)};
}

bool verifyKeyCheck(const BackupHeader& header, const KeldraKey& key) {
    try {
        if (header.format != formatTag || header.version != formatVersion) {
            return false;
        }
        const auto iv = base64Decode(header.keyCheckIV);
        auto sealed = base64Decode(header.keyCheck);
        if (!iv || !sealed || sealed->size() < tagSize || iv->size() != nonceSize) {
            return false;
        }
        const std::size_t length = sealed->size() - tagSize;
        if (!openInPlace(contentKey(key), iv->data(), sealed->data(), length, sealed->data() + length,
                         keyCheckAad)) {
            return false;
        }
        return std::string_view(reinterpret_cast<const char*>(sealed->data()), length) == keyCheckText;
    } catch (...) {
        return false;
    }
}

std::string encodeHeader(const BackupHeader& header) {
    std::string out = "{\"format\":";
    appendJsonString(out, header.format);
    out += ",\"version\":";
    out += std::to_string(header.version);
    out += ",\"created\":";
    appendJsonString(out, header.created);
    out += ",\"keyCheckIV\":";
    appendJsonString(out, header.keyCheckIV);
    out += ",\"keyCheck\":";
    appendJsonString(out, header.keyCheck);
    out += '}';
    return out;
}

std::optional<BackupHeader> decodeHeader(std::string_view json) {
    const auto value = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!value.is_object()) {
        return std::nullopt;
    }
    auto format = jsonString(value, "format");
    auto version = jsonInt64(value, "version");
    auto created = jsonString(value, "created");
    auto keyCheckIV = jsonString(value, "keyCheckIV");
    auto keyCheck = jsonString(value, "keyCheck");
    if (!format || !version || !created || !keyCheckIV || !keyCheck) {
        return std::nullopt;
    }
    return BackupHeader{std::move(*format), *version, std::move(*created), std::move(*keyCheckIV),
                        std::move(*keyCheck)};
}

} // namespace keldra::LocalFormat
