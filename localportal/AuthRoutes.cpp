#include "core/codec/Hex.h"
#include "localportal/PortalRoutes.h"
#include "localportal/RequestBody.h"

#include <openssl/rand.h>

namespace keldra::localportal {

namespace {

void signIn(PortalContext& context, const HttpRequest& req, HttpResponse& res) {
    const auto body = jsonBody(req, res);
    if (!body) {
        return;
    }
    BodyFields fields(*body);
    const auto email = fields.text("email");
    const auto password = fields.text("password");
    fields.text("device_name");
    const auto code = fields.optionalText("two_factor_code");
    if (fields.refused(res)) {
        return;
    }
    const auto account = context.store.accountByEmail(*email);
    if (!account || !context.store.checkPassword(account->id, *password)) {
        sendMessage(res, 401, "Email or password is incorrect.");
        return;
    }
    if (account->disabled) {
        sendJson(res, 403, {{"message", "This account has been disabled."}, {"code", "forbidden"}});
        return;
    }
    if (account->twoFactorCode) {
        if (!code || code->empty()) {
            sendJson(res, 401, {{"message", "Two-factor code required."}, {"code", "two_factor_required"}});
            return;
        }
        if (*code != *account->twoFactorCode) {
            sendJson(res, 401, {{"message", "Invalid two-factor code."}, {"code", "invalid_two_factor"}});
            return;
        }
    }
    std::int64_t expiresAt = 0;
    const std::string token = issueToken(context, account->id, expiresAt);
    sendJson(
        res, 200,
        {{"token", token}, {"expires_at", isoTime(expiresAt * 1000000, false)}, {"token_type", "Bearer"}});
}

} // namespace

std::string issueToken(PortalContext& context, std::int64_t accountId, std::int64_t& expiresAt) {
    std::uint8_t raw[24];
    if (RAND_bytes(raw, sizeof raw) != 1) {
        throw std::runtime_error("no random bytes");
    }
    const std::string token = std::to_string(accountId) + "|" + hexEncode(raw, sizeof raw);
    expiresAt = nowSeconds() + context.settings().tokenTtlSeconds;
    context.store.saveToken(token, accountId, expiresAt);
    return token;
}

nlohmann::json accountJson(const Account& account) {
    nlohmann::json data{
        {"id", account.id},
        {"email", account.email},
        {"name", account.name},
        {"two_factor_enabled", account.twoFactorCode.has_value()},
        {"plan", account.hasPlan ? nlohmann::json{{"name", account.planName}} : nlohmann::json()}};
    if (account.geoRuleReported) {
        data["geo_rule"] = account.geoRule ? *account.geoRule : nlohmann::json();
    }
    return data;
}

void addAuthRoutes(HttpServer& server, PortalContext& context) {
    server.post("/api/auth/token", [&context](const HttpRequest& req, HttpResponse& res) {
        context.serve("auth-token", req, res, [&](const auto&) { signIn(context, req, res); });
    });
    server.post("/api/auth/refresh", [&context](const HttpRequest& req, HttpResponse& res) {
        context.serve("auth-refresh", req, res, [&](const auto&) {
            const auto account = context.authenticate(req, res);
            if (!account || !jsonBody(req, res)) {
                return;
            }
            std::int64_t expiresAt = 0;
            const std::string token = issueToken(context, account->id, expiresAt);
            sendJson(res, 200, {{"token", token}, {"expires_at", isoTime(expiresAt * 1000000, false)}});
        });
    });
    server.post("/api/auth/revoke", [&context](const HttpRequest& req, HttpResponse& res) {
        context.serve("auth-revoke", req, res, [&](const auto&) {
            if (!context.authenticate(req, res) || !jsonBody(req, res)) {
                return;
            }
            context.store.revokeToken(req.header("Authorization").substr(7));
            sendMessage(res, 200, "Token revoked.");
        });
    });
    server.get("/api/account", [&context](const HttpRequest& req, HttpResponse& res) {
        context.serve("account", req, res, [&](const auto&) {
            if (const auto account = context.authenticate(req, res)) {
                sendJson(res, 200, {{"data", accountJson(*account)}});
            }
        });
    });
}

} // namespace keldra::localportal
