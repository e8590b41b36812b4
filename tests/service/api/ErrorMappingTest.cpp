#include "service/api/BlockReasonMapping.h"
#include "service/api/KeldraAPI.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using Kind = KeldraAPIError::Kind;

TEST(KeldraAPIError, UserTexts) {
    struct Case {
        KeldraAPIError error;
        const char* text;
    };
    const Case cases[] = {
        {KeldraAPIError::invalidCredentials(""), "Email or password is incorrect."},
        {KeldraAPIError::invalidCredentials("Locked out."), "Locked out."},
        {KeldraAPIError::accessDenied(""), "The Keldra refused access from this connection."},
        {KeldraAPIError::geoBlocked(true), "Your Keldra was wiped by its country rule."},
        {KeldraAPIError::geoBlocked(false), "Your Keldra's country rule blocks access from this connection."},
        {KeldraAPIError::geoRisk("DE"),
         "This computer is connecting from Germany, where your Keldra's country rule "
         "would wipe it. The Keldra wasn't contacted."},
        {KeldraAPIError::uploadRefused(""), ""},
        {KeldraAPIError::rateLimited(30.9), "Too many requests. Waiting 30 seconds."},
        {KeldraAPIError::endpointMissing("passphrase checks"),
         "The portal doesn't support passphrase checks yet."},
        {KeldraAPIError::conflict(""), "That already exists."},
        {KeldraAPIError::rejected("Too big"), "Too big"},
        {KeldraAPIError::server(502, ""), "The portal returned an error (502)."},
        {KeldraAPIError::server(500, "Down for repairs"), "Down for repairs"},
        {KeldraAPIError::decoding("KeldraStatus"), "Unexpected response from the portal (KeldraStatus)."},
        {KeldraAPIError::twoFactorRequired(), "Enter the 6-digit code from your authenticator app."},
        {KeldraAPIError::invalidTwoFactor(),
         "That code didn't work. Check your authenticator app and try again."},
        {KeldraAPIError::tokenExpired(), "You've been signed out. Sign in again to continue backing up."},
        {KeldraAPIError::accountDisabled(), "This account has been disabled. Please contact support."},
        {KeldraAPIError::keldraSuspended(), "Your keldra has been suspended. Please contact support."},
        {KeldraAPIError::noSubscription(), "This account doesn't have a Keldra plan."},
        {KeldraAPIError::alreadyConfirmed(), "That upload was already confirmed."},
        {KeldraAPIError::notFound(), "Not found in your Keldra."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.message(), c.text);
        EXPECT_STREQ(c.error.what(), c.text);
    }
}

TEST(KeldraAPIError, StorageFullOnlyForRejectedWithALimitWord) {
    EXPECT_TRUE(isStorageFullMessage(KeldraAPIError::rejected("Storage QUOTA exceeded")));
    EXPECT_TRUE(isStorageFullMessage(KeldraAPIError::rejected("The file is too large for your plan")));
    EXPECT_TRUE(isStorageFullMessage(KeldraAPIError::rejected("Over the limit")));
    EXPECT_FALSE(isStorageFullMessage(KeldraAPIError::rejected("The name is invalid")));
    EXPECT_FALSE(isStorageFullMessage(KeldraAPIError::uploadRefused("Storage QUOTA exceeded")));
    EXPECT_FALSE(isStorageFullMessage(KeldraAPIError::server(507, "quota")));
}

TEST(BlockReasonMapping, BlocksOnlyForAccountAndServiceStates) {
    struct Case {
        KeldraAPIError error;
        std::optional<BlockReason> reason;
    };
    const Case cases[] = {
        {KeldraAPIError::accessDenied("No"), BlockReason::accessDenied("No")},
        {KeldraAPIError::geoBlocked(true), BlockReason::geoBlocked(true)},
        {KeldraAPIError::geoRisk("RU"), BlockReason::geoRisk("RU")},
        {KeldraAPIError::endpointMissing("/api/keldra/files/all"),
         BlockReason::serverNotReady("/api/keldra/files/all")},
        {KeldraAPIError::tokenExpired(), BlockReason::signedOut()},
        {KeldraAPIError::accountDisabled(), BlockReason::accountDisabled()},
        {KeldraAPIError::keldraSuspended(), BlockReason::suspended()},
        {KeldraAPIError::noSubscription(), BlockReason::noPlan()},
        {KeldraAPIError::rateLimited(30), std::nullopt},
        {KeldraAPIError::conflict("x"), std::nullopt},
        {KeldraAPIError::server(500, ""), std::nullopt},
        {KeldraAPIError::transport("offline"), std::nullopt},
        {KeldraAPIError::notFound(), std::nullopt},
        {KeldraAPIError::invalidCredentials(""), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(blockReason(c.error), c.reason) << c.error.message();
    }
}

Bytes body(const std::string& text) {
    return toBytes(text);
}

TEST(KeldraAPI, MapsFailedStatusesByStatusCodeAndBody) {
    struct Case {
        long status;
        const char* path;
        const char* body;
        KeldraAPIError expected;
    };
    const Case cases[] = {
        {401, "/api/keldra/status", R"({"code": "TWO_FACTOR_REQUIRED"})",
         KeldraAPIError::twoFactorRequired()},
        {401, "/api/auth/token", R"({"error": "invalid_two_factor_code"})",
         KeldraAPIError::invalidTwoFactor()},
        {401, "/api/auth/token", R"({"code": "token_expired"})", KeldraAPIError::tokenExpired()},
        {401, "/api/auth/token", R"({})", KeldraAPIError::invalidCredentials("")},
        {401, "/api/auth/token", R"({"message": "Bad login"})",
         KeldraAPIError::invalidCredentials("Bad login")},
        {401, "/api/keldra/status", R"({"message": "Bad login"})", KeldraAPIError::tokenExpired()},
        {403, "/api/keldra/status", R"({"code": "KELDRA_GEO_BLOCKED", "geo": "Destroyed"})",
         KeldraAPIError::geoBlocked(true)},
        {403, "/api/keldra/status", R"({"code": "keldra_geo_blocked"})", KeldraAPIError::geoBlocked(false)},
        {403, "/api/keldra/status", R"({"suspended": true})", KeldraAPIError::keldraSuspended()},
        {403, "/api/keldra/status", R"({"code": "keldra_suspended"})", KeldraAPIError::keldraSuspended()},
        {403, "/api/keldra/status", R"({"has_subscription": false})", KeldraAPIError::noSubscription()},
        {403, "/api/account", R"({"message": "No active Keldra subscription."})",
         KeldraAPIError::noSubscription()},
        {403, "/api/keldra/status", R"({"code": "forbidden"})", KeldraAPIError::accountDisabled()},
        {403, "/api/keldra/upload-confirm", R"({})",
         KeldraAPIError::uploadRefused("The portal refused this upload.")},
        {403, "/api/keldra/upload-confirm", R"({"message": "Nope"})", KeldraAPIError::uploadRefused("Nope")},
        {403, "/api/keldra/files", R"({"message": "VPN"})", KeldraAPIError::accessDenied("VPN")},
        {403, "/api/account", R"({"message": "Who?"})", KeldraAPIError::server(403, "Who?")},
        {404, "/api/keldra/files/all", R"({"message": "The route api/x Could Not Be Found."})",
         KeldraAPIError::endpointMissing("/api/keldra/files/all")},
        {404, "/api/keldra/files/all", R"({"message": "File could not be found."})",
         KeldraAPIError::notFound()},
        {404, "/api/keldra/files/all", "<html>Not Found</html>",
         KeldraAPIError::endpointMissing("/api/keldra/files/all")},
        {404, "/api/keldra/files/all", "", KeldraAPIError::endpointMissing("/api/keldra/files/all")},
        {404, "/api/keldra/files/all", "[]", KeldraAPIError::endpointMissing("/api/keldra/files/all")},
        {405, "/api/keldra/verifier", R"({})", KeldraAPIError::endpointMissing("/api/keldra/verifier")},
        {409, "/api/keldra/upload-confirm", R"({"code": "already_confirmed"})",
         KeldraAPIError::alreadyConfirmed()},
        {409, "/api/keldra/folders", R"({"message": "Exists"})", KeldraAPIError::conflict("Exists")},
        {422, "/api/keldra/upload-url",
         R"({"message": "Invalid", "errors": {"size_bytes": ["Too big.", "Really."]}})",
         KeldraAPIError::rejected("Too big.")},
        {422, "/api/keldra/upload-url", R"({"errors": {"b": [1], "z": ["Z first"], "a": ["A later"]}})",
         KeldraAPIError::rejected("Z first")},
        {422, "/api/keldra/upload-url", R"({"message": "Invalid", "errors": {"a": []}})",
         KeldraAPIError::rejected("Invalid")},
        {422, "/api/keldra/upload-url", "", KeldraAPIError::rejected("The portal refused this request.")},
        {413, "/api/keldra/upload-url", R"({"error": "Quota exceeded"})",
         KeldraAPIError::rejected("Quota exceeded")},
        {400, "/api/keldra/upload-url", "oops", KeldraAPIError::rejected("The portal refused this request.")},
        {500, "/api/keldra/status", R"({"message": "Boom"})", KeldraAPIError::server(500, "Boom")},
        {503, "/api/keldra/status", "", KeldraAPIError::server(503, "")},
        {418, "/api/keldra/status", R"({"error": "teapot"})", KeldraAPIError::server(418, "teapot")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeldraAPI::mapHTTPError(c.status, c.path, body(c.body)), c.expected)
            << c.status << " " << c.path << " " << c.body;
    }
}

TEST(KeldraAPI, DiagnosticLine) {
    EXPECT_EQ(KeldraAPI::diagnosticLine("GET", "/api/keldra/status", 500,
                                        body(R"({"message": "Boom", "error": "x"})")),
              "GET /api/keldra/status → HTTP 500: Boom");
    EXPECT_EQ(KeldraAPI::diagnosticLine("POST", "/api/x", 502, body(R"({"error": "Gateway"})")),
              "POST /api/x → HTTP 502: Gateway");
    EXPECT_EQ(KeldraAPI::diagnosticLine("GET", "/a", 502, body("  \n")), "GET /a → HTTP 502");
    const std::string html = "  <html>" + std::string(300, 'x') + "</html>";
    EXPECT_EQ(KeldraAPI::diagnosticLine("GET", "/a", 502, body(html)),
              "GET /a → HTTP 502: <html>" + std::string(154, 'x'));
    // A body cut inside a character, or not UTF-8 at all, still gives a readable line.
    std::string umlauts;
    for (int i = 0; i < 250; ++i) {
        umlauts += "\xC3\xA4";
    }
    const auto line = KeldraAPI::diagnosticLine("GET", "/a", 500, body("\xFF" + umlauts));
    EXPECT_EQ(line.rfind("GET /a → HTTP 500: \xEF\xBF\xBD\xC3\xA4", 0), 0u);
}

TEST(KeldraAPI, UnwrapsOnlyAPureDataEnvelope) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {R"({"data": {"a": 1}})", R"({"a":1})"},
        {R"({"data": [1, 2]})", "[1,2]"},
        {R"({"data": {"a": 1}, "meta": {}})", R"({"data": {"a": 1}, "meta": {}})"},
        {R"({"data": null})", R"({"data": null})"},
        {R"({"data": 5})", R"({"data": 5})"},
        {"not json", "not json"},
        {"[]", "[]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toString(KeldraAPI::unwrapDataEnvelope(body(c.in))), c.out) << c.in;
    }
}

TEST(KeldraAPI, IdentifiersCannotAddressAnotherPath) {
    struct Case {
        const char* raw;
        const char* path;
    };
    const Case cases[] = {
        {"42", "/api/keldra/files/42"},
        {"a/b", "/api/keldra/files/a%2Fb"},
        {"..", "/api/keldra/files/%2E%2E"},
        {".", "/api/keldra/files/%2E"},
        {"1.5", "/api/keldra/files/1.5"},
        {"x?y#z", "/api/keldra/files/x%3Fy%23z"},
        {"../../account", "/api/keldra/files/..%2F..%2Faccount"},
        {"a b%", "/api/keldra/files/a%20b%25"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeldraAPI::filePath(FlexID(c.raw)), c.path) << c.raw;
    }
    EXPECT_THROW(KeldraAPI::filePath(FlexID("")), KeldraAPIError);
}

} // namespace
} // namespace keldra
