#include "core/codec/Base64.h"
#include "core/codec/Hex.h"
#include "localportal/PortalRoutes.h"

#include <openssl/evp.h>
#include <unistd.h>

namespace keldra::localportal {

namespace {

using Req = const HttpRequest&;
using Res = HttpResponse&;

bool isLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" || address == "::ffff:127.0.0.1";
}

// Control calls answer only to this machine, whatever address the portal listens on.
template <typename Handler> auto control(PortalContext& context, Handler handler) {
    return [&context, handler](Req req, Res res) {
        if (!isLoopback(req.remoteAddr)) {
            sendMessage(res, 403, "The control API answers only on loopback.");
            return;
        }
        try {
            handler(context, req, res);
        } catch (const std::exception& error) {
            sendMessage(res, 400, error.what());
        }
    };
}

// Control calls are lenient where the API is strict: any content type, and an empty body counts as {}.
std::optional<nlohmann::json> controlBody(Req req, Res res) {
    if (req.body.empty()) {
        return nlohmann::json::object();
    }
    auto json = nlohmann::json::parse(req.body, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        sendMessage(res, 400, "The request body must be a JSON object.");
        return std::nullopt;
    }
    return json;
}

// Applies the account fields present in body (the create and update calls share them).
void applyAccountFields(Account& account, const nlohmann::json& body) {
    if (body.contains("name")) {
        account.name = body["name"].get<std::string>();
    }
    if (body.contains("two_factor_code")) {
        account.twoFactorCode = body["two_factor_code"].is_null()
                                    ? std::nullopt
                                    : std::optional<std::string>(body["two_factor_code"].get<std::string>());
    }
    if (body.contains("disabled")) {
        account.disabled = body["disabled"].get<bool>();
    }
    if (body.contains("suspended")) {
        account.suspended = body["suspended"].get<bool>();
    }
    if (body.contains("has_plan")) {
        account.hasPlan = body["has_plan"].get<bool>();
    }
    if (body.contains("plan_name")) {
        account.planName = body["plan_name"].get<std::string>();
    }
    if (body.contains("quota_bytes")) {
        account.quotaBytes = body["quota_bytes"].get<std::int64_t>();
    }
    if (body.contains("max_file_size_mb")) {
        account.maxFileSizeMb =
            body["max_file_size_mb"].is_null()
                ? std::nullopt
                : std::optional<std::int64_t>(body["max_file_size_mb"].get<std::int64_t>());
    }
    if (body.contains("geo_rule")) {
        account.geoRuleReported = true;
        account.geoRule =
            body["geo_rule"].is_null() ? std::nullopt : std::optional<nlohmann::json>(body["geo_rule"]);
    }
    if (body.contains("geo_rule_reported")) {
        account.geoRuleReported = body["geo_rule_reported"].get<bool>();
    }
    if (body.contains("dead_man_switch")) {
        account.deadManSwitch = body["dead_man_switch"].is_null()
                                    ? std::nullopt
                                    : std::optional<nlohmann::json>(body["dead_man_switch"]);
    }
}

std::optional<Account> namedAccount(PortalContext& context, const nlohmann::json& body, Res res) {
    const std::string email = body.value("email", std::string());
    auto account = context.store.accountByEmail(email);
    if (!account) {
        sendMessage(res, 404, "No such account: " + email);
    }
    return account;
}

void createAccount(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    Account account;
    account.email = body->at("email").get<std::string>();
    account.name = "Test User";
    account.planName = "Keldra 100 GB";
    account.quotaBytes = 100LL * 1000 * 1000 * 1000;
    applyAccountFields(account, *body);
    if (context.store.accountByEmail(account.email)) {
        sendMessage(res, 409, "That account already exists.");
        return;
    }
    const std::string password = body->value("password", std::string("password"));
    account = context.store.createAccount(account, password);
    std::int64_t expiresAt = 0;
    const std::string token = issueToken(context, account.id, expiresAt);
    auto answer = accountJson(account);
    answer["password"] = password;
    answer["token"] = token;
    sendJson(res, 201, answer);
}

void updateAccount(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    auto account = namedAccount(context, *body, res);
    if (!account) {
        return;
    }
    applyAccountFields(*account, *body);
    context.store.updateAccount(*account);
    if (body->contains("password")) {
        context.store.setPassword(account->id, (*body)["password"].get<std::string>());
    }
    sendJson(res, 200, accountJson(*account));
}

void issueTokenFor(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    if (auto account = namedAccount(context, *body, res)) {
        std::int64_t expiresAt = 0;
        sendJson(res, 200, {{"token", issueToken(context, account->id, expiresAt)}});
    }
}

void expireTokens(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    if (auto account = namedAccount(context, *body, res)) {
        context.store.expireTokens(account->id, nowSeconds());
        sendMessage(res, 200, "Tokens expired.");
    }
}

void setCountry(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    const auto& value = body->at("country");
    context.updateSettings([&](PortalSettings& s) {
        s.country = value.is_null() ? std::nullopt : std::optional<std::string>(value.get<std::string>());
    });
    sendMessage(res, 200, "Country set.");
}

void setSettings(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    context.updateSettings([&](PortalSettings& s) {
        s.urlTtlSeconds = body->value("url_ttl_seconds", s.urlTtlSeconds);
        s.tokenTtlSeconds = body->value("token_ttl_seconds", s.tokenTtlSeconds);
        s.latencyMs = body->value("latency_ms", s.latencyMs);
    });
    const auto s = context.settings();
    sendJson(res, 200,
             {{"url_ttl_seconds", s.urlTtlSeconds},
              {"token_ttl_seconds", s.tokenTtlSeconds},
              {"latency_ms", s.latencyMs},
              {"country", s.country ? nlohmann::json(*s.country) : nlohmann::json()}});
}

void addFault(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    context.faults.add(Fault::fromJson(*body));
    sendJson(res, 201, context.faults.toJson());
}

std::string sha256Hex(PortalContext& context, const std::string& key) {
    auto object = context.objects.open(key);
    if (!object) {
        return {};
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(object->first.get(), buffer.data(), buffer.size());
        if (got <= 0) {
            break;
        }
        EVP_DigestUpdate(md.get(), buffer.data(), static_cast<std::size_t>(got));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(md.get(), digest, &length);
    return hexEncode(digest, length);
}

void listStoredFiles(PortalContext& context, Req req, Res res) {
    std::optional<std::int64_t> accountId;
    if (req.hasParam("email")) {
        auto account = context.store.accountByEmail(req.param("email"));
        if (!account) {
            sendMessage(res, 404, "No such account.");
            return;
        }
        accountId = account->id;
    }
    const bool withHash = req.param("hash") == "1";
    auto list = nlohmann::json::array();
    for (const auto& file : context.store.allFiles(accountId)) {
        auto json = fileJson(file);
        json["s3_key"] = file.s3Key;
        json["account_id"] = file.accountId;
        const auto size = context.objects.size(file.s3Key);
        json["object_size"] = size ? nlohmann::json(*size) : nlohmann::json();
        if (withHash) {
            json["object_sha256"] = sha256Hex(context, file.s3Key);
        }
        list.push_back(std::move(json));
    }
    sendJson(res, 200, {{"files", list}});
}

void readObject(PortalContext& context, Req req, Res res) {
    const std::string key = req.matches[1];
    auto object = ObjectStore::isValidKey(key) ? context.objects.open(key) : std::nullopt;
    if (!object) {
        sendMessage(res, 404, "No such object.");
        return;
    }
    std::string body(object->second, '\0');
    std::size_t offset = 0;
    while (offset < body.size()) {
        const ssize_t got = ::pread(object->first.get(), body.data() + offset, body.size() - offset,
                                    static_cast<off_t>(offset));
        if (got <= 0) {
            break;
        }
        offset += static_cast<std::size_t>(got);
    }
    body.resize(offset);
    res.status = 200;
    res.setContent(std::move(body), "application/octet-stream");
}

// Puts files straight into an account (bodies and records), as finished uploads would: one entry, or many
// under "files" in one step. Test set-up only, so the bodies are not flushed to disk one by one.
void seedFiles(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    auto account = namedAccount(context, *body, res);
    if (!account) {
        return;
    }
    const bool many = body->contains("files");
    const nlohmann::json entries = many ? body->at("files") : nlohmann::json::array({*body});
    std::vector<StoredFile> files;
    for (const auto& entry : entries) {
        const auto content = base64Decode(entry.value("body_base64", std::string()));
        if (!content) {
            sendMessage(res, 400, "body_base64 is not base64.");
            return;
        }
        StoredFile file;
        file.accountId = account->id;
        file.s3Key = ObjectStore::makeKey(account->id);
        if (entry.contains("folder_id") && !entry["folder_id"].is_null()) {
            file.folderId = idValue(entry["folder_id"]);
        }
        file.originalName = entry.value("original_name", std::string("encrypted-file"));
        file.encryptedName = entry.value("encrypted_name", std::string());
        file.mimeType = entry.value("mime_type", std::string("application/octet-stream"));
        file.encryptedSizeBytes = static_cast<std::int64_t>(content->size());
        file.sizeBytes = entry.value("size_bytes", std::max<std::int64_t>(0, file.encryptedSizeBytes - 16));
        file.encryptionIv = entry.value("encryption_iv", std::string());
        file.checksumSha256 = entry.value("checksum_sha256", std::string());
        file.createdAtMicros =
            entry.contains("created_at")
                ? parseIsoTime(entry["created_at"].get<std::string>()).value_or(nowMicros())
                : nowMicros();
        file.updatedAtMicros = file.createdAtMicros;
        auto incoming = context.objects.begin(file.s3Key);
        if (!incoming || !incoming->write(reinterpret_cast<const char*>(content->data()), content->size()) ||
            !incoming->commit(false)) {
            sendMessage(res, 500, "The object could not be stored.");
            return;
        }
        files.push_back(std::move(file));
    }
    context.store.seed(files);
    auto answers = nlohmann::json::array();
    for (const auto& file : files) {
        auto json = fileJson(file);
        json["s3_key"] = file.s3Key;
        answers.push_back(std::move(json));
    }
    sendJson(res, 201, many ? nlohmann::json{{"files", answers}} : answers[0]);
}

void createFolder(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    auto account = namedAccount(context, *body, res);
    if (!account) {
        return;
    }
    Folder folder;
    folder.accountId = account->id;
    folder.name = body->at("name").get<std::string>();
    if (body->contains("parent_id") && !(*body)["parent_id"].is_null()) {
        folder.parentId = idValue((*body)["parent_id"]);
    }
    sendJson(res, 201, folderJson(context.store.createFolder(folder)));
}

void deleteFolder(PortalContext& context, Req req, Res res) {
    auto body = controlBody(req, res);
    if (!body) {
        return;
    }
    auto account = namedAccount(context, *body, res);
    if (!account) {
        return;
    }
    const auto id = idValue(body->at("folder_id"));
    if (!id || !context.store.folder(account->id, *id)) {
        sendMessage(res, 404, "No such folder.");
        return;
    }
    for (const auto& key : context.store.deleteFolder(account->id, *id)) {
        context.objects.remove(key);
    }
    sendMessage(res, 200, "Folder deleted.");
}

void reset(PortalContext& context, Req, Res res) {
    context.store.reset();
    context.objects.clear();
    context.faults.clear();
    context.stats.reset();
    context.limiter.reset();
    context.resetSettings();
    sendMessage(res, 200, "Reset.");
}

} // namespace

void addControlRoutes(HttpServer& server, PortalContext& context) {
    server.post("/_control/accounts", control(context, createAccount));
    server.post("/_control/accounts/update", control(context, updateAccount));
    server.post("/_control/accounts/token", control(context, issueTokenFor));
    server.post("/_control/accounts/expire-tokens", control(context, expireTokens));
    server.post("/_control/country", control(context, setCountry));
    server.post("/_control/settings", control(context, setSettings));
    server.get("/_control/faults", control(context, [](PortalContext& c, Req, Res res) {
                   sendJson(res, 200, {{"faults", c.faults.toJson()}});
               }));
    server.post("/_control/faults", control(context, addFault));
    server.del("/_control/faults", control(context, [](PortalContext& c, Req, Res res) {
                   c.faults.clear();
                   sendMessage(res, 200, "Faults cleared.");
               }));
    server.get("/_control/stats", control(context, [](PortalContext& c, Req, Res res) {
                   sendJson(res, 200, c.stats.snapshot());
               }));
    server.del("/_control/stats", control(context, [](PortalContext& c, Req, Res res) {
                   c.stats.reset();
                   sendMessage(res, 200, "Counters cleared.");
               }));
    server.get("/_control/requests", control(context, [](PortalContext& c, Req req, Res res) {
                   sendJson(res, 200, {{"requests", c.stats.requests(req.param("endpoint"))}});
               }));
    server.get("/_control/files", control(context, listStoredFiles));
    server.post("/_control/files", control(context, seedFiles));
    server.get(R"(/_control/objects/(.+))", control(context, readObject));
    server.post("/_control/folders", control(context, createFolder));
    server.post("/_control/folders/delete", control(context, deleteFolder));
    server.post("/_control/reset", control(context, reset));
}

} // namespace keldra::localportal
