#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra::localportal {

// One account of the local portal, with the plan and rules the control API sets.
struct Account {
    std::int64_t id = 0;
    std::string email;
    std::string name;
    std::optional<std::string> twoFactorCode; // set: sign-in needs this code
    bool disabled = false;
    bool suspended = false;
    bool hasPlan = true;
    std::string planName;
    std::int64_t quotaBytes = 0; // 0: no quota
    std::optional<std::int64_t> maxFileSizeMb;
    bool geoRuleReported = true;           // false: answers leave "geo_rule" out
    std::optional<nlohmann::json> geoRule; // absent while reported: "geo_rule": null
    std::optional<nlohmann::json> deadManSwitch;
};

struct Folder {
    std::int64_t id = 0;
    std::int64_t accountId = 0;
    std::string name;
    std::optional<std::int64_t> parentId;
    std::optional<std::string> color;
};

// A confirmed upload: what the listings show.
struct StoredFile {
    std::int64_t id = 0;
    std::int64_t accountId = 0;
    std::optional<std::int64_t> folderId;
    std::string originalName;
    std::string encryptedName;
    std::string mimeType;
    std::int64_t sizeBytes = 0;
    std::int64_t encryptedSizeBytes = 0;
    std::string encryptionIv;
    std::string checksumSha256;
    std::string s3Key;
    std::int64_t createdAtMicros = 0;
    std::int64_t updatedAtMicros = 0;
};

// An upload ticket handed out; it becomes a file once confirmed.
struct UploadTicket {
    std::string s3Key;
    std::int64_t accountId = 0;
    std::string mimeType;
    std::int64_t sizeBytes = 0;
    std::optional<std::int64_t> fileId;
};

struct TokenRecord {
    std::int64_t accountId = 0;
    std::int64_t expiresAt = 0; // unix seconds
    bool revoked = false;
};

struct Usage {
    std::int64_t usedBytes = 0;
    std::int64_t fileCount = 0;
    std::int64_t folderCount = 0;
};

} // namespace keldra::localportal
