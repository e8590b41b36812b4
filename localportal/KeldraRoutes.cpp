#include "localportal/PortalRoutes.h"
#include "localportal/RequestBody.h"

#include <algorithm>

namespace keldra::localportal {

namespace {

constexpr std::int64_t mebibyte = 1048576;
constexpr std::int64_t pageLimit = 1000;

using Handler = std::function<void(const Account&, const std::optional<Fault>&)>;

// The common gate of every Keldra endpoint: a valid token, an account that may use its Keldra.
void keldra(PortalContext& context, const char* endpoint, const HttpRequest& req, HttpResponse& res,
            const Handler& handler) {
    context.serve(endpoint, req, res, [&](const std::optional<Fault>& fault) {
        const auto account = context.authenticate(req, res);
        if (!account || !context.admitKeldra(*account, res)) {
            return;
        }
        handler(*account, fault);
    });
}

// A folder_id query value: absent, a folder of the account, or an answer already written.
bool folderParameter(PortalContext& context, const Account& account, const HttpRequest& req,
                     HttpResponse& res, std::optional<std::int64_t>& folder) {
    if (!req.hasParam("folder_id")) {
        return true;
    }
    const auto id = parseId(req.param("folder_id"));
    if (!id) {
        sendValidation(res, "folder_id", "The folder id must be an integer.");
        return false;
    }
    if (!context.store.folder(account.id, *id)) {
        sendMessage(res, 404, "Folder not found.");
        return false;
    }
    folder = id;
    return true;
}

// The plan's per-file limit and the quota; false with the refusal written.
bool withinLimits(PortalContext& context, const Account& account, std::int64_t plainSize,
                  std::int64_t storedSize, HttpResponse& res) {
    if (account.maxFileSizeMb && *account.maxFileSizeMb > 0 &&
        plainSize > *account.maxFileSizeMb * mebibyte) {
        const std::string text = "The file exceeds your plan's file size limit of " +
                                 std::to_string(*account.maxFileSizeMb) + " MB.";
        sendValidation(res, "size_bytes", text, 413);
        return false;
    }
    if (account.quotaBytes > 0 &&
        context.store.usage(account.id).usedBytes + storedSize > account.quotaBytes) {
        sendValidation(res, "size_bytes", "Storage quota exceeded: not enough space left for this file.");
        return false;
    }
    return true;
}

void status(PortalContext& context, const Account& account, HttpResponse& res) {
    const auto usage = context.store.usage(account.id);
    nlohmann::json data{{"used_bytes", usage.usedBytes},
                        {"quota_bytes", account.quotaBytes},
                        {"file_count", usage.fileCount},
                        {"folder_count", usage.folderCount},
                        {"max_file_size_mb",
                         account.maxFileSizeMb ? nlohmann::json(*account.maxFileSizeMb) : nlohmann::json()}};
    if (account.deadManSwitch) {
        data["dead_man_switch"] = *account.deadManSwitch;
    }
    if (account.geoRuleReported) {
        data["geo_rule"] = account.geoRule ? *account.geoRule : nlohmann::json();
    }
    sendJson(res, 200, {{"data", data}});
}

void listFiles(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res) {
    std::optional<std::int64_t> folder;
    if (!folderParameter(context, account, req, res, folder)) {
        return;
    }
    auto folders = nlohmann::json::array();
    for (const auto& f : context.store.folders(account.id, folder)) {
        folders.push_back(folderJson(f));
    }
    auto files = nlohmann::json::array();
    for (const auto& f : context.store.files(account.id, folder)) {
        files.push_back(fileJson(f));
    }
    sendJson(res, 200, {{"data", {{"folders", folders}, {"files", files}}}});
}

void listAllFiles(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res) {
    std::int64_t page = 1;
    if (req.hasParam("page")) {
        const auto value = parseId(req.param("page"));
        if (!value || *value < 1) {
            sendValidation(res, "page", "The page must be at least 1.");
            return;
        }
        page = *value;
    }
    std::int64_t perPage = pageLimit;
    if (req.hasParam("per_page")) {
        const auto value = parseId(req.param("per_page"));
        if (!value || *value < 1) {
            sendValidation(res, "per_page", "The per page must be at least 1.");
            return;
        }
        perPage = std::min(*value, pageLimit);
    }
    std::optional<std::int64_t> folder;
    if (!folderParameter(context, account, req, res, folder)) {
        return;
    }
    std::optional<std::int64_t> since;
    if (req.hasParam("updated_since")) {
        since = parseIsoTime(req.param("updated_since"));
        if (!since) {
            sendValidation(res, "updated_since", "The updated since is not a valid date.");
            return;
        }
    }
    std::int64_t total = 0;
    auto files = nlohmann::json::array();
    const std::int64_t offset = page > (INT64_MAX / perPage) ? INT64_MAX : (page - 1) * perPage;
    for (const auto& f : context.store.filePage(account.id, folder, since, offset, perPage, total)) {
        files.push_back(fileJson(f));
    }
    const std::int64_t lastPage = std::max<std::int64_t>(1, (total + perPage - 1) / perPage);
    nlohmann::json next;
    if (page < lastPage) {
        std::string url = context.baseUrl() + "/api/keldra/files/all?page=" + std::to_string(page + 1) +
                          "&per_page=" + std::to_string(perPage);
        if (folder) {
            url += "&folder_id=" + std::to_string(*folder);
        }
        next = url;
    }
    sendJson(res, 200,
             {{"data", files},
              {"current_page", page},
              {"last_page", lastPage},
              {"per_page", perPage},
              {"total", total},
              {"next_page_url", next}});
}

void uploadUrl(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    fields.text("filename");
    const auto mime = fields.text("mime_type");
    const auto size = fields.count("size_bytes");
    if (fields.refused(res) || !withinLimits(context, account, *size, *size, res)) {
        return;
    }
    UploadTicket ticket{ObjectStore::makeKey(account.id), account.id, *mime, *size, std::nullopt};
    context.store.saveTicket(ticket);
    sendJson(res, 200,
             {{"data",
               {{"upload_url", context.presign("PUT", ticket.s3Key, *mime)},
                {"s3_key", ticket.s3Key},
                {"content_type", *mime},
                {"expires_in", context.settings().urlTtlSeconds}}}});
}

void uploadConfirm(PortalContext& context, const Account& account, const HttpRequest& req,
                   HttpResponse& res) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    const auto key = fields.text("s3_key");
    const auto originalName = fields.text("original_name");
    const auto encryptedName = fields.text("encrypted_name");
    const auto mime = fields.text("mime_type");
    const auto plainSize = fields.count("size_bytes");
    const auto storedSize = fields.count("encrypted_size_bytes");
    const auto iv = fields.text("encryption_iv");
    const auto checksum = fields.text("checksum_sha256");
    const auto folder = fields.id("folder_id");
    if (fields.refused(res)) {
        return;
    }
    const auto ticket = context.store.ticket(*key);
    if (!ticket || ticket->accountId != account.id) {
        sendValidation(res, "s3_key", "The selected s3 key is invalid.");
        return;
    }
    if (ticket->fileId) {
        sendJson(res, 409,
                 {{"message", "This upload was already confirmed."}, {"code", "already_confirmed"}});
        return;
    }
    if (!context.store.folder(account.id, *folder)) {
        sendValidation(res, "folder_id", "The selected folder id is invalid.");
        return;
    }
    StoredFile file;
    file.accountId = account.id;
    file.s3Key = *key;
    file.originalName = *originalName;
    file.encryptedName = *encryptedName;
    file.mimeType = *mime;
    file.encryptionIv = *iv;
    file.checksumSha256 = *checksum;
    file.sizeBytes = *plainSize;
    file.encryptedSizeBytes = *storedSize;
    file.folderId = folder;
    const auto objectSize = context.objects.size(*key);
    if (!objectSize) {
        sendValidation(res, "s3_key", "The upload has not arrived.");
        return;
    }
    // A body cut short must never be recorded as a complete copy.
    if (static_cast<std::int64_t>(*objectSize) != file.encryptedSizeBytes) {
        sendValidation(res, "encrypted_size_bytes", "The uploaded body does not match encrypted_size_bytes.");
        return;
    }
    if (!withinLimits(context, account, file.sizeBytes, file.encryptedSizeBytes, res)) {
        context.objects.remove(*key);
        return;
    }
    file.createdAtMicros = nowMicros();
    file.updatedAtMicros = file.createdAtMicros;
    if (!context.store.confirm(file)) {
        sendJson(res, 409,
                 {{"message", "This upload was already confirmed."}, {"code", "already_confirmed"}});
        return;
    }
    sendJson(res, 201,
             {{"data",
               {{"file",
                 {{"id", file.id},
                  {"original_name", file.originalName},
                  {"created_at", isoTime(file.createdAtMicros)}}}}}});
}

void downloadUrl(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res,
                 const std::optional<Fault>& fault) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    const auto id = fields.id("file_id");
    if (fields.refused(res)) {
        return;
    }
    const auto file = context.store.file(account.id, *id);
    if (!file) {
        sendMessage(res, 404, "File not found.");
        return;
    }
    nlohmann::json data{{"download_url", context.presign("GET", file->s3Key, "")},
                        {"encryption_iv", file->encryptionIv},
                        {"name_sealed", !file->encryptedName.empty()},
                        {"encrypted_name", file->encryptedName},
                        {"size_bytes", file->sizeBytes},
                        {"checksum_sha256", file->checksumSha256},
                        {"expires_in", context.settings().urlTtlSeconds}};
    if (fault && fault->mangleName == "alter" && !file->encryptedName.empty()) {
        std::string name = file->encryptedName;
        name.back() = name.back() == 'A' ? 'B' : 'A';
        data["encrypted_name"] = name;
    } else if (fault && fault->mangleName == "truncate") {
        data["encrypted_name"] =
            file->encryptedName.substr(0, std::min<std::size_t>(255, file->encryptedName.size() / 2));
    } else if (fault && fault->mangleName == "unsealed") {
        data["name_sealed"] = false;
        data.erase("encrypted_name");
    }
    sendJson(res, 200, {{"data", data}});
}

void deleteFile(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res) {
    const auto id = parseId(req.matches[1]);
    const auto file = id ? context.store.file(account.id, *id) : std::nullopt;
    if (!file || !context.store.deleteFile(account.id, file->id)) {
        sendMessage(res, 404, "File not found.");
        return;
    }
    context.objects.remove(file->s3Key);
    sendMessage(res, 200, "File deleted.");
}

void createFolder(PortalContext& context, const Account& account, const HttpRequest& req, HttpResponse& res) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    const auto name = fields.text("name");
    const auto parent = fields.optionalId("parent_id");
    const auto color = fields.optionalText("color");
    if (name && name->size() > 255) {
        fields.fail("name", "The name field must not be greater than 255 characters.");
    }
    if (fields.refused(res)) {
        return;
    }
    if (parent && !context.store.folder(account.id, *parent)) {
        sendValidation(res, "parent_id", "The selected parent id is invalid.");
        return;
    }
    Folder folder;
    folder.accountId = account.id;
    folder.name = *name;
    folder.parentId = parent;
    folder.color = color;
    sendJson(res, 201, {{"data", folderJson(context.store.createFolder(folder))}});
}

void readVerifier(PortalContext& context, const Account& account, HttpResponse& res) {
    const auto verifier = context.store.verifier(account.id);
    if (!verifier) {
        sendJson(res, 200, {{"data", nullptr}});
        return;
    }
    sendJson(res, 200, {{"data", {{"verifier", verifier->first}, {"verifier_iv", verifier->second}}}});
}

void storeVerifier(PortalContext& context, const Account& account, const HttpRequest& req,
                   HttpResponse& res) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    const auto verifier = fields.text("verifier");
    const auto iv = fields.text("verifier_iv");
    if (fields.refused(res)) {
        return;
    }
    context.store.setVerifier(account.id, *verifier, *iv);
    sendMessage(res, 200, "Verifier saved.");
}

} // namespace

nlohmann::json fileJson(const StoredFile& file) {
    return {{"id", file.id},
            {"original_name", file.originalName},
            {"name_sealed", !file.encryptedName.empty()},
            {"encrypted_name", file.encryptedName},
            {"mime_type", file.mimeType},
            {"size_bytes", file.sizeBytes},
            {"encrypted_size_bytes", file.encryptedSizeBytes},
            {"encryption_iv", file.encryptionIv},
            {"checksum_sha256", file.checksumSha256},
            {"folder_id", file.folderId ? nlohmann::json(*file.folderId) : nlohmann::json()},
            {"created_at", isoTime(file.createdAtMicros)},
            {"updated_at", isoTime(file.updatedAtMicros)}};
}

nlohmann::json folderJson(const Folder& folder) {
    return {{"id", folder.id},
            {"name", folder.name},
            {"color", folder.color ? nlohmann::json(*folder.color) : nlohmann::json()},
            {"parent_id", folder.parentId ? nlohmann::json(*folder.parentId) : nlohmann::json()}};
}

void addKeldraRoutes(HttpServer& server, PortalContext& context) {
    using Req = const HttpRequest&;
    using Res = HttpResponse&;
    using F = const std::optional<Fault>&;
    server.get("/api/keldra/status", [&context](Req req, Res res) {
        keldra(context, "status", req, res, [&](const Account& a, F) { status(context, a, res); });
    });
    server.get("/api/keldra/files", [&context](Req req, Res res) {
        keldra(context, "files", req, res, [&](const Account& a, F) { listFiles(context, a, req, res); });
    });
    server.get("/api/keldra/files/all", [&context](Req req, Res res) {
        keldra(context, "files-all", req, res,
               [&](const Account& a, F) { listAllFiles(context, a, req, res); });
    });
    server.post("/api/keldra/upload-url", [&context](Req req, Res res) {
        keldra(context, "upload-url", req, res,
               [&](const Account& a, F) { uploadUrl(context, a, req, res); });
    });
    server.post("/api/keldra/upload-confirm", [&context](Req req, Res res) {
        keldra(context, "upload-confirm", req, res,
               [&](const Account& a, F) { uploadConfirm(context, a, req, res); });
    });
    server.post("/api/keldra/download-url", [&context](Req req, Res res) {
        keldra(context, "download-url", req, res,
               [&](const Account& a, F fault) { downloadUrl(context, a, req, res, fault); });
    });
    server.del(R"(/api/keldra/files/([^/]+))", [&context](Req req, Res res) {
        keldra(context, "file-delete", req, res,
               [&](const Account& a, F) { deleteFile(context, a, req, res); });
    });
    server.post("/api/keldra/folders", [&context](Req req, Res res) {
        keldra(context, "folders", req, res,
               [&](const Account& a, F) { createFolder(context, a, req, res); });
    });
    server.get("/api/keldra/verifier", [&context](Req req, Res res) {
        keldra(context, "verifier-get", req, res,
               [&](const Account& a, F) { readVerifier(context, a, res); });
    });
    server.post("/api/keldra/verifier", [&context](Req req, Res res) {
        keldra(context, "verifier-post", req, res,
               [&](const Account& a, F) { storeVerifier(context, a, req, res); });
    });
}

} // namespace keldra::localportal
