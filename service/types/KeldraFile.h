#pragma once

#include "service/types/FlexBool.h"
#include "service/types/FlexID.h"
#include "service/types/FlexInt.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// One stored file version. Equal and hashed over every field, so restore code can keep files in sets.
struct KeldraFile {
    FlexID id;
    std::optional<std::string> originalName;
    std::optional<FlexBool> nameSealed;
    std::optional<std::string> encryptedName;
    std::optional<std::string> mimeType;
    std::optional<FlexInt> sizeBytes;
    std::optional<std::string> encryptionIv;
    std::optional<std::string> checksumSha256;
    std::optional<FlexID> folderId;
    std::optional<std::string> createdAt; // a server date text (parseServerDate)
    std::optional<std::string> updatedAt; // a server date text

    static KeldraFile fromJson(const nlohmann::json& value);
    bool operator==(const KeldraFile&) const = default;
};

} // namespace keldra

template <> struct std::hash<keldra::KeldraFile> {
    std::size_t operator()(const keldra::KeldraFile& file) const noexcept;
};
