#include "service/api/AnswerDecoding.h"
#include "service/api/KeldraAPI.h"
#include "core/text/Utf8Text.h"
#include "service/types/ServerDate.h"

#include <algorithm>

namespace keldra {

using Json = nlohmann::json;

namespace {

constexpr int standardAttempts = 4;
constexpr std::int64_t lastPageToRequest = 10000;

bool isFallbackError(const KeldraAPIError& error) {
    using Kind = KeldraAPIError::Kind;
    return error.kind() == Kind::endpointMissing || error.kind() == Kind::decoding ||
           error.kind() == Kind::notFound;
}

// A paged answer the listing can trust: it names its files, its page numbers and each file's folder.
bool isUsablePage(const KeldraAllFilesPage& page) {
    const auto& files = page.files ? page.files : page.data;
    if (!files) {
        return false;
    }
    const bool numbered =
        page.currentPage || page.lastPage || (page.meta && (page.meta->currentPage || page.meta->lastPage));
    if (!numbered) {
        return false;
    }
    return std::all_of(files->begin(), files->end(),
                       [](const KeldraFile& f) { return f.folderId.has_value(); });
}

bool hasMorePages(const KeldraAllFilesPage& page) {
    std::optional<FlexInt> current = page.currentPage;
    std::optional<FlexInt> last = page.lastPage;
    if (!current && page.meta) {
        current = page.meta->currentPage;
    }
    if (!last && page.meta) {
        last = page.meta->lastPage;
    }
    if (current && last) {
        return current->value < last->value;
    }
    return page.nextPageUrl.has_value();
}

} // namespace

std::string KeldraAPI::filePath(const FlexID& id) {
    if (id.raw.empty()) {
        // "/api/keldra/files/" alone would address the whole collection.
        throw KeldraAPIError::notFound();
    }
    return "/api/keldra/files/" + encodePathSegment(id.raw);
}

void KeldraAPI::adoptGeoRule(bool reported, const std::optional<GeoRuleInfo>& rule) {
    if (!reported) {
        return;
    }
    const GeoGuard::Rule converted = GeoGuard::ruleFrom(rule);
    std::lock_guard lock(mutex_);
    geo_ = converted;
    lastCountry_.reset();
}

AuthTokenResponse KeldraAPI::signIn(const std::string& email, const std::string& password,
                                    const std::string& deviceName,
                                    const std::optional<std::string>& twoFactorCode,
                                    const CancelToken& cancel) {
    Json body = {{"email", email}, {"password", password}, {"device_name", deviceName}};
    if (twoFactorCode && !twoFactorCode->empty()) {
        body["two_factor_code"] = *twoFactorCode;
    }
    const auto answer = request("POST", "/api/auth/token", {}, body, false, 0, cancel);
    return answer::decode<AuthTokenResponse>(answer.body, false, "AuthTokenResponse");
}

RefreshResponse KeldraAPI::refreshToken(const CancelToken& cancel) {
    const auto answer =
        request("POST", "/api/auth/refresh", {}, Json::object(), true, standardAttempts, cancel);
    return answer::decode<RefreshResponse>(answer.body, false, "RefreshResponse");
}

AccountInfo KeldraAPI::account(const CancelToken& cancel) {
    const auto answer = request("GET", "/api/account", {}, std::nullopt, true, standardAttempts, cancel);
    Json parsed = answer::parseJson(answer.body);
    if (!parsed.is_object()) {
        parsed = Json::object();
    }
    AccountInfo info = AccountInfo::parse(parsed);
    adoptGeoRule(info.geoRuleReported, info.geoRule);
    return info;
}

KeldraStatus KeldraAPI::status(const CancelToken& cancel) {
    const auto answer =
        request("GET", "/api/keldra/status", {}, std::nullopt, true, standardAttempts, cancel);
    KeldraStatus status = answer::decode<KeldraStatus>(answer.body, true, "KeldraStatus");
    adoptGeoRule(status.geoRuleReported, status.geoRule);
    return status;
}

KeldraListing KeldraAPI::listFiles(const std::optional<FlexID>& folderId, const CancelToken& cancel) {
    QueryItems query;
    if (folderId) {
        query.emplace_back("folder_id", folderId->raw);
    }
    const auto answer =
        request("GET", "/api/keldra/files", query, std::nullopt, true, standardAttempts, cancel);
    return answer::decode<KeldraListing>(answer.body, true, "KeldraListing");
}

std::vector<KeldraFile> KeldraAPI::listFallback(const FlexID& folderId, const CancelToken& cancel) {
    KeldraListing listing = listFiles(folderId, cancel);
    std::vector<KeldraFile> out;
    for (auto& file : listing.files) {
        if (!file.folderId || *file.folderId == folderId) {
            out.push_back(std::move(file));
        }
    }
    return out;
}

std::vector<KeldraFile> KeldraAPI::listAllFiles(const FlexID& folderId,
                                                const std::optional<SystemTime>& updatedSince,
                                                const CancelToken& cancel) {
    if (hasAllFilesEndpoint() == false) {
        return listFallback(folderId, cancel);
    }
    const auto fallBack = [&] {
        {
            std::lock_guard lock(mutex_);
            hasAllFilesEndpoint_ = false;
        }
        return listFallback(folderId, cancel);
    };

    std::vector<KeldraFile> collected;
    for (std::int64_t page = 1;; ++page) {
        QueryItems query{{"page", std::to_string(page)}, {"per_page", "1000"}, {"folder_id", folderId.raw}};
        if (updatedSince) {
            query.emplace_back("updated_since", formatInternetDateTime(*updatedSince));
        }
        KeldraAllFilesPage decoded;
        try {
            const auto answer =
                request("GET", "/api/keldra/files/all", query, std::nullopt, true, standardAttempts, cancel);
            decoded = answer::decode<KeldraAllFilesPage>(answer.body, false, "KeldraAllFilesPage");
        } catch (const KeldraAPIError& error) {
            if (isFallbackError(error)) {
                return fallBack();
            }
            throw;
        }
        if (!isUsablePage(decoded)) {
            return fallBack();
        }
        auto& files = decoded.files ? *decoded.files : *decoded.data;
        const bool pageHadFiles = !files.empty();
        for (auto& file : files) {
            if (file.folderId && *file.folderId == folderId) {
                collected.push_back(std::move(file));
            }
        }
        if (!(pageHadFiles && hasMorePages(decoded) && page < lastPageToRequest)) {
            std::lock_guard lock(mutex_);
            hasAllFilesEndpoint_ = true;
            return collected;
        }
    }
}

UploadURLResponse KeldraAPI::requestUploadURL(const std::string& mimeType, std::int64_t size,
                                              const CancelToken& cancel) {
    const Json body = {{"filename", "encrypted"}, {"mime_type", mimeType}, {"size_bytes", size}};
    const auto answer = request("POST", "/api/keldra/upload-url", {}, body, true, standardAttempts, cancel);
    return answer::decode<UploadURLResponse>(answer.body, true, "UploadURLResponse");
}

UploadConfirmResponse KeldraAPI::confirmUpload(const ConfirmRequest& confirm, const CancelToken& cancel) {
    const Json body = {{"s3_key", confirm.s3Key},
                       {"original_name", "encrypted-file"},
                       {"encrypted_name", confirm.encryptedName},
                       {"mime_type", confirm.mimeType},
                       {"size_bytes", confirm.sizeBytes},
                       {"encrypted_size_bytes", confirm.encryptedSizeBytes},
                       {"encryption_iv", confirm.encryptionIV},
                       {"checksum_sha256", confirm.keyedChecksum},
                       {"folder_id", confirm.folderId.jsonValue()}};
    const auto answer =
        request("POST", "/api/keldra/upload-confirm", {}, body, true, standardAttempts, cancel);
    return answer::decode<UploadConfirmResponse>(answer.body, true, "UploadConfirmResponse");
}

DownloadURLResponse KeldraAPI::requestDownloadURL(const FlexID& fileId, const CancelToken& cancel) {
    const Json body = {{"file_id", fileId.jsonValue()}};
    const auto answer = request("POST", "/api/keldra/download-url", {}, body, true, standardAttempts, cancel);
    return answer::decode<DownloadURLResponse>(answer.body, true, "DownloadURLResponse");
}

void KeldraAPI::deleteFile(const FlexID& id, const CancelToken& cancel) {
    request("DELETE", filePath(id), {}, std::nullopt, true, standardAttempts, cancel);
}

KeldraFolder KeldraAPI::createFolder(const std::string& name, const std::optional<FlexID>& parentId,
                                     const CancelToken& cancel) {
    const Json body = {
        {"name", name}, {"parent_id", parentId ? parentId->jsonValue() : Json(nullptr)}, {"color", nullptr}};
    const auto answer = request("POST", "/api/keldra/folders", {}, body, true, standardAttempts, cancel);
    const Json parsed = answer::parseJson(answer.body);
    const Json& content = answer::envelopeContent(parsed);
    try {
        return answer::decode<KeldraFolder>(content, "KeldraFolder");
    } catch (const KeldraAPIError&) {
        // Some portals wrap the new folder as {"folder": {...}}.
        if (content.is_object()) {
            if (auto it = content.find("folder"); it != content.end()) {
                return answer::decode<KeldraFolder>(*it, "KeldraFolder");
            }
        }
        throw;
    }
}

std::optional<KeldraAPI::Verifier> KeldraAPI::fetchVerifier(const CancelToken& cancel) {
    Response answer;
    try {
        answer = request("GET", "/api/keldra/verifier", {}, std::nullopt, true, standardAttempts, cancel);
    } catch (const KeldraAPIError& error) {
        if (error.kind() == KeldraAPIError::Kind::notFound) {
            return std::nullopt;
        }
        throw;
    }
    return parseVerifier(answer.http.status, answer.body);
}

std::optional<KeldraAPI::Verifier> KeldraAPI::parseVerifier(long status, const Bytes& body) {
    if (status == 204) {
        return std::nullopt;
    }
    const std::string text =
        trimWhitespace(toDisplayUtf8(std::string_view(reinterpret_cast<const char*>(body.data()), body.size())));
    const std::string prefix = "GET /api/keldra/verifier → HTTP " + std::to_string(status);
    if (text.empty()) {
        std::lock_guard lock(mutex_);
        lastDiagnostic_ = prefix + " with an empty body";
        throw KeldraAPIError::decoding("verifier");
    }
    if (text == "null") {
        return std::nullopt;
    }
    const Json parsed = Json::parse(text, nullptr, false);
    if (!parsed.is_object()) {
        std::lock_guard lock(mutex_);
        lastDiagnostic_ = prefix + ": " + firstCharacters(text, 160);
        throw KeldraAPIError::decoding("verifier");
    }
    const Json* object = &parsed;
    if (auto data = parsed.find("data"); data != parsed.end()) {
        if (data->is_object()) {
            object = &*data;
        } else if (data->is_null()) {
            return std::nullopt;
        }
    }
    const auto isFalse = [&](const char* key) {
        auto it = object->find(key);
        return it != object->end() && it->is_boolean() && !it->get<bool>();
    };
    if (isFalse("exists") || isFalse("has_verifier")) {
        return std::nullopt;
    }
    auto verifierIt = object->find("verifier");
    if (verifierIt == object->end() || !verifierIt->is_string() ||
        verifierIt->get_ref<const std::string&>().empty()) {
        return std::nullopt;
    }
    const std::string verifier = verifierIt->get<std::string>();
    std::string iv;
    if (auto it = object->find("verifier_iv"); it != object->end() && it->is_string()) {
        iv = it->get<std::string>();
    } else if (auto alt = object->find("iv"); alt != object->end() && alt->is_string()) {
        iv = alt->get<std::string>();
    }
    if (!iv.empty()) {
        return Verifier{verifier, iv};
    }
    // Older portals store "<iv>.<verifier>" in one text.
    const std::string_view whole = verifier;
    if (const auto headStart = whole.find_first_not_of('.'); headStart != std::string_view::npos) {
        if (const auto dot = whole.find('.', headStart);
            dot != std::string_view::npos && dot + 1 < whole.size()) {
            return Verifier{std::string(whole.substr(dot + 1)),
                            std::string(whole.substr(headStart, dot - headStart))};
        }
    }
    throw KeldraAPIError::decoding("verifier without IV");
}

void KeldraAPI::storeVerifier(const std::string& verifier, const std::string& iv, const CancelToken& cancel) {
    const Json body = {{"verifier", verifier}, {"verifier_iv", iv}};
    try {
        request("POST", "/api/keldra/verifier", {}, body, true, standardAttempts, cancel);
    } catch (const KeldraAPIError& error) {
        if (error.kind() == KeldraAPIError::Kind::notFound) {
            throw KeldraAPIError::endpointMissing("passphrase checks");
        }
        throw;
    }
}

} // namespace keldra
