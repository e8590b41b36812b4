#include "service/types/AuthTokenResponse.h"
#include "service/types/DeadManSwitchInfo.h"
#include "service/types/Hashing.h"
#include "service/types/JsonFields.h"
#include "service/types/KeldraFile.h"
#include "service/types/KeldraFolder.h"
#include "service/types/KeldraListing.h"
#include "service/types/TransferTickets.h"

namespace keldra {

namespace jf = json_fields;
using Json = nlohmann::json;
using jf::optional;
using jf::required;

AuthTokenResponse AuthTokenResponse::fromJson(const Json& v) {
    jf::requireObject(v, "AuthTokenResponse");
    return {required<std::string>(v, "token"), optional<std::string>(v, "expires_at"),
            optional<std::string>(v, "token_type")};
}

RefreshResponse RefreshResponse::fromJson(const Json& v) {
    jf::requireObject(v, "RefreshResponse");
    return {optional<std::string>(v, "token"), optional<std::string>(v, "expires_at")};
}

KeldraFolder KeldraFolder::fromJson(const Json& v) {
    jf::requireObject(v, "KeldraFolder");
    return {required<FlexID>(v, "id"), required<std::string>(v, "name"), optional<std::string>(v, "color"),
            optional<FlexID>(v, "parent_id")};
}

KeldraFile KeldraFile::fromJson(const Json& v) {
    jf::requireObject(v, "KeldraFile");
    KeldraFile f;
    f.id = required<FlexID>(v, "id");
    f.originalName = optional<std::string>(v, "original_name");
    f.nameSealed = optional<FlexBool>(v, "name_sealed");
    f.encryptedName = optional<std::string>(v, "encrypted_name");
    f.mimeType = optional<std::string>(v, "mime_type");
    f.sizeBytes = optional<FlexInt>(v, "size_bytes");
    f.encryptionIv = optional<std::string>(v, "encryption_iv");
    f.checksumSha256 = optional<std::string>(v, "checksum_sha256");
    f.folderId = optional<FlexID>(v, "folder_id");
    f.createdAt = optional<std::string>(v, "created_at");
    f.updatedAt = optional<std::string>(v, "updated_at");
    return f;
}

KeldraListing KeldraListing::fromJson(const Json& v) {
    jf::requireObject(v, "KeldraListing");
    KeldraListing l;
    l.folders = optional<std::vector<KeldraFolder>>(v, "folders");
    l.files = required<std::vector<KeldraFile>>(v, "files");
    return l;
}

KeldraAllFilesPage::Meta KeldraAllFilesPage::Meta::fromJson(const Json& v) {
    jf::requireObject(v, "Meta");
    return {optional<FlexInt>(v, "current_page"), optional<FlexInt>(v, "last_page")};
}

KeldraAllFilesPage KeldraAllFilesPage::fromJson(const Json& v) {
    jf::requireObject(v, "KeldraAllFilesPage");
    KeldraAllFilesPage p;
    p.files = optional<std::vector<KeldraFile>>(v, "files");
    p.data = optional<std::vector<KeldraFile>>(v, "data");
    p.currentPage = optional<FlexInt>(v, "current_page");
    p.lastPage = optional<FlexInt>(v, "last_page");
    p.nextPageUrl = optional<std::string>(v, "next_page_url");
    p.meta = optional<Meta>(v, "meta");
    return p;
}

UploadURLResponse UploadURLResponse::fromJson(const Json& v) {
    jf::requireObject(v, "UploadURLResponse");
    return {required<std::string>(v, "upload_url"), required<std::string>(v, "s3_key"),
            optional<std::string>(v, "content_type"), optional<FlexInt>(v, "expires_in")};
}

ConfirmedFile ConfirmedFile::fromJson(const Json& v) {
    jf::requireObject(v, "ConfirmedFile");
    return {required<FlexID>(v, "id"), optional<std::string>(v, "original_name"),
            optional<std::string>(v, "created_at")};
}

UploadConfirmResponse UploadConfirmResponse::fromJson(const Json& v) {
    jf::requireObject(v, "UploadConfirmResponse");
    return {required<ConfirmedFile>(v, "file")};
}

DownloadURLResponse DownloadURLResponse::fromJson(const Json& v) {
    jf::requireObject(v, "DownloadURLResponse");
    DownloadURLResponse d;
    d.downloadUrl = required<std::string>(v, "download_url");
    d.encryptionIv = optional<std::string>(v, "encryption_iv");
    d.nameSealed = optional<FlexBool>(v, "name_sealed");
    d.encryptedName = optional<std::string>(v, "encrypted_name");
    d.sizeBytes = optional<FlexInt>(v, "size_bytes");
    d.checksumSha256 = optional<std::string>(v, "checksum_sha256");
    return d;
}

DeadManSwitchInfo DeadManSwitchInfo::fromJson(const Json& v) {
    jf::requireObject(v, "DeadManSwitchInfo");
    return {optional<FlexBool>(v, "enabled"), optional<std::string>(v, "action"),
            optional<FlexInt>(v, "days"), optional<FlexInt>(v, "days_remaining")};
}

} // namespace keldra

std::size_t std::hash<keldra::KeldraFolder>::operator()(const keldra::KeldraFolder& folder) const noexcept {
    std::size_t seed = 0;
    keldra::hashCombine(seed, folder.id);
    keldra::hashCombine(seed, folder.name);
    keldra::hashCombine(seed, folder.color);
    keldra::hashCombine(seed, folder.parentId);
    return seed;
}

std::size_t std::hash<keldra::KeldraFile>::operator()(const keldra::KeldraFile& file) const noexcept {
    std::size_t seed = 0;
    keldra::hashCombine(seed, file.id);
    keldra::hashCombine(seed, file.originalName);
    keldra::hashCombine(seed, file.nameSealed);
    keldra::hashCombine(seed, file.encryptedName);
    keldra::hashCombine(seed, file.mimeType);
    keldra::hashCombine(seed, file.sizeBytes);
    keldra::hashCombine(seed, file.encryptionIv);
    keldra::hashCombine(seed, file.checksumSha256);
    keldra::hashCombine(seed, file.folderId);
    keldra::hashCombine(seed, file.createdAt);
    keldra::hashCombine(seed, file.updatedAt);
    return seed;
}
