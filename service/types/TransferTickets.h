#pragma once

#include "service/types/FlexBool.h"
#include "service/types/FlexID.h"
#include "service/types/FlexInt.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// The upload ticket: where to PUT the sealed body and the object key to confirm afterwards.
struct UploadURLResponse {
    std::string uploadUrl;
    std::string s3Key;
    std::optional<std::string> contentType;
    std::optional<FlexInt> expiresIn; // seconds

    static UploadURLResponse fromJson(const nlohmann::json& value);
    bool operator==(const UploadURLResponse&) const = default;
};

// The file record in the upload confirmation.
struct ConfirmedFile {
    FlexID id;
    std::optional<std::string> originalName;
    std::optional<std::string> createdAt;

    static ConfirmedFile fromJson(const nlohmann::json& value);
    bool operator==(const ConfirmedFile&) const = default;
};

struct UploadConfirmResponse {
    ConfirmedFile file;

    static UploadConfirmResponse fromJson(const nlohmann::json& value);
    bool operator==(const UploadConfirmResponse&) const = default;
};

// The download ticket.
struct DownloadURLResponse {
    std::string downloadUrl;
    std::optional<std::string> encryptionIv;
    std::optional<FlexBool> nameSealed;
    std::optional<std::string> encryptedName;
    std::optional<FlexInt> sizeBytes;
    std::optional<std::string> checksumSha256;

    static DownloadURLResponse fromJson(const nlohmann::json& value);
    bool operator==(const DownloadURLResponse&) const = default;
};

} // namespace keldra
