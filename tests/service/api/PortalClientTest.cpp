#include "core/codec/Base64.h"
#include "keldra/BuildVersion.h"
#include "service/api/KeldraAPI.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>
#include <thread>

namespace keldra {

// Readable failures for errors compared with EXPECT_EQ.
inline void PrintTo(const KeldraAPIError& error, std::ostream* os) {
    *os << "KeldraAPIError(" << static_cast<int>(error.kind()) << ", \"" << error.message() << "\")";
}

namespace {

using Json = nlohmann::json;
using Kind = KeldraAPIError::Kind;

const char* const email = "ann@example.org";

class PortalClient : public test::LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        account = control().createAccount({{"email", email}});
        api = std::make_unique<KeldraAPI>(clock, sleeper, baseUrl());
        api->setToken(account["token"].get<std::string>());
    }

    void fault(Json entry) { control().addFault(std::move(entry)); }

    // The error a call ends with; fails the test when it succeeds or throws something else.
    template <typename Call> KeldraAPIError errorOf(Call call) {
        try {
            call();
        } catch (const KeldraAPIError& e) {
            return e;
        }
        ADD_FAILURE() << "no KeldraAPIError";
        return KeldraAPIError::notFound();
    }

    std::int64_t folderId(const std::string& name) {
        return control().createFolder(email, name)["id"].get<std::int64_t>();
    }

    void seed(std::int64_t folder, int count) {
        for (int i = 0; i < count; ++i) {
            control().seedFile({{"email", email},
                                {"folder_id", folder},
                                {"encrypted_name", "n" + std::to_string(i)},
                                {"body_base64", base64Encode(toBytes("sealed body ......"))}});
        }
    }

    test::VirtualClock clock;
    test::RecordingSleeper sleeper{&clock};
    Json account;
    std::unique_ptr<KeldraAPI> api;
};

TEST_F(PortalClient, MapsEveryFailedStatusAsTheTableSays) {
    struct Case {
        const char* endpoint;
        int status;
        const char* body;
        KeldraAPIError expected;
    };
    const Case cases[] = {
        {"auth-token", 401, "", KeldraAPIError::invalidCredentials("")},
        {"auth-token", 401, R"({"code":"two_factor_required"})", KeldraAPIError::twoFactorRequired()},
        {"auth-token", 401, R"({"error":"invalid_two_factor"})", KeldraAPIError::invalidTwoFactor()},
        {"account", 401, R"({"message":"Unauthenticated."})", KeldraAPIError::tokenExpired()},
        {"status", 401, R"({"code":"invalid_token"})", KeldraAPIError::tokenExpired()},
        {"status", 403, R"({"code":"KELDRA_GEO_BLOCKED","geo":"Destroyed"})",
         KeldraAPIError::geoBlocked(true)},
        {"status", 403, R"({"code":"keldra_geo_blocked","geo":"blocked"})",
         KeldraAPIError::geoBlocked(false)},
        {"status", 403, R"({"suspended":true})", KeldraAPIError::keldraSuspended()},
        {"status", 403, R"({"has_subscription":false})", KeldraAPIError::noSubscription()},
        {"status", 403, R"({"code":"forbidden"})", KeldraAPIError::accountDisabled()},
        {"status", 403, R"({"message":"Not from here."})", KeldraAPIError::accessDenied("Not from here.")},
        {"account", 403, R"({"message":"Nope"})", KeldraAPIError::server(403, "Nope")},
        {"upload-confirm", 403, "{}", KeldraAPIError::uploadRefused("The portal refused this upload.")},
        {"status", 404, R"({"message":"The route could not be found."})",
         KeldraAPIError::endpointMissing("/api/keldra/status")},
        {"status", 404, R"({"message":"Gone"})", KeldraAPIError::notFound()},
        {"status", 404, "<html>nothing</html>", KeldraAPIError::endpointMissing("/api/keldra/status")},
        {"status", 405, "", KeldraAPIError::endpointMissing("/api/keldra/status")},
        {"upload-confirm", 409, R"({"code":"already_confirmed"})", KeldraAPIError::alreadyConfirmed()},
        {"upload-confirm", 409, R"({"message":"Twice"})", KeldraAPIError::conflict("Twice")},
        {"upload-confirm", 422, R"({"errors":{"s3_key":["Unknown key.","Again."]}})",
         KeldraAPIError::rejected("Unknown key.")},
        {"upload-confirm", 413, R"({"message":"Storage quota exceeded"})",
         KeldraAPIError::rejected("Storage quota exceeded")},
        {"upload-confirm", 400, "", KeldraAPIError::rejected("The portal refused this request.")},
        {"status", 500, R"({"message":"Boom"})", KeldraAPIError::server(500, "Boom")},
        {"status", 503, R"({"message":"Maintenance"})", KeldraAPIError::server(503, "Maintenance")},
        {"status", 418, "", KeldraAPIError::server(418, "")},
    };
    const KeldraAPI::ConfirmRequest confirm{"k", "n", "x/y", 1, 17, "iv", "sum", FlexID("1")};
    for (const auto& c : cases) {
        control().clearFaults();
        fault({{"endpoint", c.endpoint}, {"status", c.status}, {"body", c.body}});
        const std::string endpoint = c.endpoint;
        const auto error = errorOf([&] {
            if (endpoint == "auth-token") {
                api->signIn(email, "password", "Desk", std::nullopt);
            } else if (endpoint == "account") {
                api->account();
            } else if (endpoint == "upload-confirm") {
                api->confirmUpload(confirm);
            } else {
                api->status();
            }
        });
        EXPECT_EQ(error, c.expected) << c.endpoint << " " << c.status << " " << c.body << " gave "
                                     << error.message();
    }
    EXPECT_TRUE(sleeper.waits().empty());
    EXPECT_EQ(api->lastDiagnostic(), "GET /api/keldra/status → HTTP 418");
}

TEST_F(PortalClient, DiagnosticNamesTheFailedRequestAndThePortalsMessage) {
    fault({{"endpoint", "status"}, {"status", 500}, {"body", R"({"message":"Database down"})"}});
    EXPECT_EQ(errorOf([&] { api->status(); }).kind(), Kind::server);
    EXPECT_EQ(api->lastDiagnostic(), "GET /api/keldra/status → HTTP 500: Database down");
    // A success leaves the last failure's line in place.
    api->status();
    EXPECT_EQ(api->lastDiagnostic(), "GET /api/keldra/status → HTTP 500: Database down");
}

TEST_F(PortalClient, RateLimitedAnswersWaitAndRetry) {
    struct Case {
        std::optional<std::string> retryAfter;
        double wait;
    };
    const Case cases[] = {
        {"0", 1.25}, {std::nullopt, 30.25}, {"2.5", 2.75}, {"soon", 30.25}, {"7200", 3600.25}};
    for (const auto& c : cases) {
        control().resetStats();
        test::RecordingSleeper localSleeper(&clock);
        KeldraAPI client(clock, localSleeper, baseUrl());
        client.setToken(account["token"].get<std::string>());
        Json entry = {{"endpoint", "status"}, {"status", 429}};
        if (c.retryAfter) {
            entry["retry_after"] = *c.retryAfter;
        }
        fault(entry);
        const SystemTime before = clock.now();
        client.status();
        EXPECT_EQ(localSleeper.waitSeconds(), std::vector<double>{c.wait}) << c.retryAfter.value_or("none");
        EXPECT_EQ(control().requestCount("status"), 2);
        // Later requests wait for the same Retry-After, at most one hour.
        EXPECT_EQ(client.limiter().blockedUntil(),
                  before + std::chrono::duration_cast<SystemTime::duration>(Seconds(c.wait - 0.25)));
    }
}

TEST_F(PortalClient, RepeatedRateLimitsGiveUpAfterFiveSends) {
    fault({{"endpoint", "status"}, {"status", 429}, {"count", -1}});
    EXPECT_EQ(errorOf([&] { api->status(); }), KeldraAPIError::rateLimited(30));
    EXPECT_EQ(control().requestCount("status"), 5);
    EXPECT_EQ(sleeper.waitSeconds(), std::vector<double>(4, 30.25));
    EXPECT_FALSE(api->lastDiagnostic().has_value());
}

TEST_F(PortalClient, SignInIsNotRetriedOnRateLimit) {
    api->setToken(std::nullopt);
    fault({{"endpoint", "auth-token"}, {"status", 429}});
    const auto error = errorOf([&] { api->signIn(email, "password", "Desk", std::nullopt); });
    EXPECT_EQ(error, KeldraAPIError::rateLimited(30));
    EXPECT_EQ(error.message(), "Too many requests. Waiting 30 seconds.");
    EXPECT_EQ(control().requestCount("auth-token"), 1);
    EXPECT_TRUE(sleeper.waits().empty());
}

TEST_F(PortalClient, UnavailableAnswersWithRetryAfterAreRetriedThreeTimes) {
    struct Case {
        const char* retryAfter;
        double wait;
    };
    for (const auto& c : {Case{"0.5", 1.25}, Case{"600", 120.25}}) {
        control().resetStats();
        test::RecordingSleeper localSleeper(&clock);
        KeldraAPI client(clock, localSleeper, baseUrl());
        client.setToken(account["token"].get<std::string>());
        fault({{"endpoint", "status"}, {"status", 503}, {"retry_after", c.retryAfter}});
        client.status();
        EXPECT_EQ(localSleeper.waitSeconds(), std::vector<double>{c.wait});
    }

    control().resetStats();
    const auto waitsBefore = sleeper.waitSeconds().size();
    fault({{"endpoint", "status"}, {"status", 503}, {"retry_after", "1"}, {"count", -1}});
    EXPECT_EQ(errorOf([&] { api->status(); }).kind(), Kind::server);
    EXPECT_EQ(control().requestCount("status"), 4);
    const auto waits = sleeper.waitSeconds();
    EXPECT_EQ(std::vector<double>(waits.begin() + static_cast<long>(waitsBefore), waits.end()),
              std::vector<double>(3, 1.25));
}

TEST_F(PortalClient, TokenRuleAndHeaders) {
    api->setToken(std::nullopt);
    EXPECT_EQ(errorOf([&] { api->status(); }), KeldraAPIError::tokenExpired());
    EXPECT_EQ(control().requestCount("status"), 0);

    api->setToken(account["token"].get<std::string>());
    api->status();
    const Json sent = control().requests("status").back();
    const auto header = [&](const std::string& name) {
        for (const auto& [key, value] : sent["headers"].items()) {
            std::string lower = key;
            std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
            if (lower == name) {
                return value.is_array() ? value.front().get<std::string>() : value.get<std::string>();
            }
        }
        return std::string();
    };
    EXPECT_EQ(header("accept"), "application/json");
    EXPECT_EQ(header("user-agent"), std::string("Orlivane-Keldra-macOS/") + keldra::build::shortVersion);
    EXPECT_EQ(header("authorization"), "Bearer " + account["token"].get<std::string>());
}

TEST_F(PortalClient, PlainHttpToAnotherHostIsRefusedBeforeSending) {
    KeldraAPI remote(clock, sleeper, "http://192.0.2.1:9");
    EXPECT_EQ(errorOf([&] { remote.signIn(email, "password", "Desk", std::nullopt); }),
              KeldraAPIError::transport("The portal address isn't secure, so nothing was sent."));
}

TEST_F(PortalClient, SignInWithAndWithoutTwoFactorCode) {
    control().updateAccount({{"email", email}, {"two_factor_code", "123456"}});
    api->setToken(std::nullopt);
    EXPECT_EQ(errorOf([&] { api->signIn(email, "password", "Desk", std::string()); }),
              KeldraAPIError::twoFactorRequired());
    const Json firstBody = Json::parse(control().requests("auth-token").back()["body"].get<std::string>());
    EXPECT_FALSE(firstBody.contains("two_factor_code"));
    EXPECT_EQ(firstBody["device_name"], "Desk");

    EXPECT_EQ(errorOf([&] { api->signIn(email, "password", "Desk", std::string("000000")); }),
              KeldraAPIError::invalidTwoFactor());
    EXPECT_EQ(errorOf([&] { api->signIn(email, "wrong", "Desk", std::string("123456")); }).kind(),
              Kind::invalidCredentials);

    const auto answer = api->signIn(email, "password", "Desk", std::string("123456"));
    EXPECT_FALSE(answer.token.empty());
    api->setToken(answer.token);
    EXPECT_EQ(api->account().email, email);
}

TEST_F(PortalClient, CountryRuleFromTheStatusBlocksAndIsCheckedBeforeStorageCalls) {
    control().updateAccount({{"email", email}, {"geo_rule", {{"action", "Destroy"}, {"countries", {"ru"}}}}});
    // The first call has no rule yet; its answer brings the rule.
    api->status();
    EXPECT_EQ(api->geo(), GeoGuard::Rule::block({"RU"}));
    control().setCountry("ru");
    const auto error = errorOf([&] { api->status(); });
    EXPECT_EQ(error, KeldraAPIError::geoRisk("RU"));
    EXPECT_EQ(control().requestCount("status"), 1);
    EXPECT_EQ(control().requestCount("trace"), 1);
    // The account path is never checked.
    EXPECT_EQ(api->account().email, email);
    EXPECT_EQ(control().requestCount("trace"), 1);

    // An explicit null clears the rule.
    control().updateAccount({{"email", email}, {"geo_rule", nullptr}});
    api->account();
    EXPECT_EQ(api->geo(), GeoGuard::Rule::off());
    api->status();
}

TEST_F(PortalClient, CountryLookupIsReusedFor20Seconds) {
    control().updateAccount(
        {{"email", email}, {"geo_rule", {{"action", "destroy"}, {"allowed_countries", {"de", "ch"}}}}});
    control().setCountry("de");
    api->account();
    EXPECT_EQ(api->geo(), GeoGuard::Rule::allowOnly({"DE", "CH"}));
    api->listFiles(std::nullopt);
    clock.advance(Seconds(10));
    api->listFiles(std::nullopt);
    EXPECT_EQ(control().requestCount("trace"), 1);
    clock.advance(Seconds(15)); // 25 s after the lookup
    api->listFiles(std::nullopt);
    EXPECT_EQ(control().requestCount("trace"), 2);

    // A request that waited more than a second in the limiter looks again, however fresh the lookup.
    clock.advance(Seconds(5));
    api->blockUntil(2);
    api->listFiles(std::nullopt);
    EXPECT_EQ(control().requestCount("trace"), 3);

    // A third country is refused without contacting the Keldra.
    control().setCountry("FR");
    clock.advance(Seconds(30));
    EXPECT_EQ(errorOf([&] { api->listFiles(std::nullopt); }), KeldraAPIError::geoRisk("FR"));
    EXPECT_EQ(control().requestCount("files"), 4);
}

TEST_F(PortalClient, CountryCheckFailsClosed) {
    const auto unknown =
        KeldraAPIError::transport("Couldn't confirm this computer's location, so the Keldra wasn't "
                                  "contacted (its country rule is set to Destroy).");
    api->setGeo(GeoGuard::Rule::block({"RU"}));
    control().setCountry(std::nullopt);
    EXPECT_EQ(errorOf([&] { api->status(); }), unknown);

    control().setCountry("DE");
    fault({{"endpoint", "trace"}, {"status", 403}});
    EXPECT_EQ(errorOf([&] { api->status(); }), unknown);
    fault({{"endpoint", "trace"}, {"drop", true}});
    EXPECT_EQ(errorOf([&] { api->status(); }), unknown);
    EXPECT_EQ(control().requestCount("status"), 0);
    EXPECT_FALSE(api->lastCountry().has_value());

    api->listFiles(std::nullopt);
    ASSERT_TRUE(api->lastCountry().has_value());
    EXPECT_EQ(api->lastCountry()->code, "DE");
}

TEST_F(PortalClient, TransportFailureForgetsTheCountry) {
    api->setGeo(GeoGuard::Rule::block({"RU"}));
    api->listFiles(std::nullopt);
    ASSERT_TRUE(api->lastCountry().has_value());
    fault({{"endpoint", "files"}, {"drop", true}});
    EXPECT_EQ(errorOf([&] { api->listFiles(std::nullopt); }).kind(), Kind::transport);
    EXPECT_FALSE(api->lastCountry().has_value());
}

TEST_F(PortalClient, PagesThroughTwoAndAHalfThousandFiles) {
    // The pages are served whole, so the test does not have to store 2,500 files first.
    std::int64_t next = 1;
    for (const int size : {1000, 1000, 500}) {
        Json files = Json::array();
        for (int i = 0; i < size; ++i) {
            files.push_back({{"id", next++}, {"folder_id", 7}});
        }
        const std::int64_t page = (next - 1 + 999) / 1000;
        fault({{"endpoint", "files-all"},
               {"status", 200},
               {"body", Json{{"data", files}, {"current_page", page}, {"last_page", 3}}.dump()}});
    }
    const auto files = api->listAllFiles(FlexID("7"), std::nullopt);
    ASSERT_EQ(files.size(), 2500u);
    EXPECT_EQ(files.back().id, FlexID("2500"));
    const auto pages = control().requests("files-all");
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages[i]["query"]["page"], std::to_string(i + 1));
        EXPECT_EQ(pages[i]["query"]["per_page"], "1000");
        EXPECT_EQ(pages[i]["query"]["folder_id"], "7");
    }
    EXPECT_EQ(api->hasAllFilesEndpoint(), true);
}

TEST_F(PortalClient, ListsOneFolderThroughThePortalsPages) {
    const auto folder = folderId("Desk");
    const auto other = folderId("Other");
    seed(folder, 3);
    seed(other, 2);
    const auto files = api->listAllFiles(FlexID(folder), std::nullopt);
    EXPECT_EQ(files.size(), 3u);
    for (const auto& file : files) {
        EXPECT_EQ(file.folderId, FlexID(folder));
    }
    EXPECT_EQ(control().requestCount("files-all"), 1);

    // updated_since travels as an internet date-time in UTC.
    EXPECT_TRUE(api->listAllFiles(FlexID(folder), fromUnixSeconds(4102444800.5)).empty());
    EXPECT_EQ(control().requests("files-all").back()["query"]["updated_since"], "2100-01-01T00:00:00Z");
}

TEST_F(PortalClient, PagesByNextPageLinkWhenTheLastPageIsUnknown) {
    const Json f1 = {{"id", 1}, {"folder_id", 7}};
    const Json f2 = {{"id", 2}, {"folder_id", 7}};
    const Json stranger = {{"id", 3}, {"folder_id", 8}};
    fault(
        {{"endpoint", "files-all"},
         {"status", 200},
         {"body",
          Json{{"files", {f1, stranger}}, {"meta", {{"current_page", 1}}}, {"next_page_url", "p2"}}.dump()}});
    fault({{"endpoint", "files-all"},
           {"status", 200},
           {"body", Json{{"files", {f2}}, {"meta", {{"current_page", 2}}}}.dump()}});
    const auto files = api->listAllFiles(FlexID("7"), std::nullopt);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].id, FlexID("1"));
    EXPECT_EQ(files[1].id, FlexID("2"));
    EXPECT_EQ(control().requestCount("files-all"), 2);
}

TEST_F(PortalClient, UnusablePagesFallBackToTheFolderListingForGood) {
    const auto folder = folderId("Desk");
    seed(folder, 2);
    struct Case {
        const char* what;
        Json fault;
    };
    const Case cases[] = {
        {"no page numbers", {{"status", 200}, {"body", R"({"data": [{"id": 1, "folder_id": 1}]})"}}},
        {"a file without folder",
         {{"status", 200}, {"body", R"({"data": [{"id": 1}], "current_page": 1, "last_page": 1})"}}},
        {"no file list", {{"status", 200}, {"body", R"({"current_page": 1, "last_page": 1})"}}},
        {"not a page", {{"status", 200}, {"body", "[]"}}},
        {"route missing", {{"route_404", "html"}}},
        {"json not found", {{"status", 404}, {"body", R"({"message":"No."})"}}},
    };
    for (const auto& c : cases) {
        control().clearFaults();
        control().resetStats();
        KeldraAPI client(clock, sleeper, baseUrl());
        client.setToken(account["token"].get<std::string>());
        Json entry = c.fault;
        entry["endpoint"] = "files-all";
        fault(entry);
        EXPECT_EQ(client.listAllFiles(FlexID(folder), std::nullopt).size(), 2u) << c.what;
        EXPECT_EQ(client.hasAllFilesEndpoint(), false) << c.what;
        client.listAllFiles(FlexID(folder), std::nullopt);
        EXPECT_EQ(control().requestCount("files-all"), 1) << c.what;
        EXPECT_EQ(control().requestCount("files"), 2) << c.what;
    }
}

TEST_F(PortalClient, ServerErrorOnAPageIsThrown) {
    const auto folder = folderId("Desk");
    seed(folder, 1);
    fault({{"endpoint", "files-all"}, {"status", 500}, {"body", R"({"message":"Boom"})"}});
    EXPECT_EQ(errorOf([&] { api->listAllFiles(FlexID(folder), std::nullopt); }),
              KeldraAPIError::server(500, "Boom"));
    EXPECT_FALSE(api->hasAllFilesEndpoint().has_value());
}

TEST_F(PortalClient, VerifierAnswerShapes) {
    struct Case {
        const char* what;
        Json fault;
        std::optional<KeldraAPI::Verifier> verifier;
        std::optional<KeldraAPIError> error;
    };
    const Case cases[] = {
        {"data null", {{"status", 200}, {"body", R"({"data": null})"}}, std::nullopt, std::nullopt},
        {"exists false",
         {{"status", 200}, {"body", R"({"exists": false, "verifier": "a.b"})"}},
         std::nullopt,
         std::nullopt},
        {"null text", {{"status", 200}, {"body", " null\n"}}, std::nullopt, std::nullopt},
        {"no content", {{"status", 204}, {"body", ""}}, std::nullopt, std::nullopt},
        {"not found",
         {{"status", 404}, {"body", R"({"message":"No verifier"})"}},
         std::nullopt,
         std::nullopt},
        {"enveloped pair",
         {{"status", 200}, {"body", R"({"data": {"verifier": "v", "verifier_iv": "i"}})"}},
         KeldraAPI::Verifier{"v", "i"},
         std::nullopt},
        {"iv field",
         {{"status", 200}, {"body", R"({"verifier": "v", "iv": "x"})"}},
         KeldraAPI::Verifier{"v", "x"},
         std::nullopt},
        // An empty "verifier_iv" is still the IV field: the text must then hold both parts.
        {"empty IV field",
         {{"status", 200}, {"body", R"({"verifier": "v", "verifier_iv": "", "iv": "x"})"}},
         std::nullopt,
         KeldraAPIError::decoding("verifier without IV")},
        {"joined",
         {{"status", 200}, {"body", R"({"verifier": "IV.VER.X"})"}},
         KeldraAPI::Verifier{"VER.X", "IV"},
         std::nullopt},
        {"no IV",
         {{"status", 200}, {"body", R"({"verifier": "abc"})"}},
         std::nullopt,
         KeldraAPIError::decoding("verifier without IV")},
        {"empty body", {{"status", 200}, {"body", "  "}}, std::nullopt, KeldraAPIError::decoding("verifier")},
        {"not an object",
         {{"status", 200}, {"body", "[1]"}},
         std::nullopt,
         KeldraAPIError::decoding("verifier")},
    };
    for (const auto& c : cases) {
        control().clearFaults();
        Json entry = c.fault;
        entry["endpoint"] = "verifier-get";
        fault(entry);
        if (c.error) {
            EXPECT_EQ(errorOf([&] { api->fetchVerifier(); }), *c.error) << c.what;
        } else {
            try {
                EXPECT_EQ(api->fetchVerifier(), c.verifier) << c.what;
            } catch (const KeldraAPIError& e) {
                ADD_FAILURE() << c.what << ": " << e.message();
            }
        }
    }
    EXPECT_EQ(api->lastDiagnostic(), "GET /api/keldra/verifier → HTTP 200: [1]");

    control().clearFaults();
    api->storeVerifier("sealed", "nonce");
    EXPECT_EQ(api->fetchVerifier(), (KeldraAPI::Verifier{"sealed", "nonce"}));
    fault({{"endpoint", "verifier-post"}, {"status", 404}, {"body", R"({"message":"x"})"}});
    EXPECT_EQ(errorOf([&] { api->storeVerifier("a", "b"); }),
              KeldraAPIError::endpointMissing("passphrase checks"));
}

TEST_F(PortalClient, CreateFolderAcceptsBothAnswerShapes) {
    const auto made = api->createFolder("Desk", std::nullopt);
    EXPECT_EQ(made.name, "Desk");
    const Json sent = Json::parse(control().requests("folders").back()["body"].get<std::string>());
    EXPECT_EQ(sent, (Json{{"name", "Desk"}, {"parent_id", nullptr}, {"color", nullptr}}));

    fault({{"endpoint", "folders"},
           {"status", 201},
           {"body", R"({"folder": {"id": "9", "name": "Wrapped"}})"}});
    EXPECT_EQ(api->createFolder("x", made.id).name, "Wrapped");
    fault({{"endpoint", "folders"}, {"status", 201}, {"body", R"({"ok": true})"}});
    EXPECT_EQ(errorOf([&] { api->createFolder("x", std::nullopt); }),
              KeldraAPIError::decoding("KeldraFolder"));
}

TEST_F(PortalClient, FileEndpointsSendTheirBodiesAndIds) {
    const auto folder = folderId("Desk");
    seed(folder, 1);
    const auto listing = api->listFiles(FlexID(folder));
    ASSERT_EQ(listing.files.size(), 1u);
    const auto& file = listing.files.front();

    const auto ticket = api->requestDownloadURL(file.id);
    EXPECT_FALSE(ticket.downloadUrl.empty());
    EXPECT_EQ(Json::parse(control().requests("download-url").back()["body"].get<std::string>()),
              (Json{{"file_id", std::stoll(file.id.raw)}}));

    const auto upload = api->requestUploadURL("application/octet-stream", 1234);
    EXPECT_FALSE(upload.s3Key.empty());
    EXPECT_EQ(
        Json::parse(control().requests("upload-url").back()["body"].get<std::string>()),
        (Json{{"filename", "encrypted"}, {"mime_type", "application/octet-stream"}, {"size_bytes", 1234}}));

    api->deleteFile(file.id);
    EXPECT_TRUE(api->listFiles(FlexID(folder)).files.empty());
    // An id holding path characters stays one segment and cannot reach another route.
    EXPECT_THROW(api->deleteFile(FlexID("../status")), KeldraAPIError);
    EXPECT_EQ(control().requestCount("status"), 0);
}

TEST_F(PortalClient, CancellationStopsARequestInFlight) {
    fault({{"endpoint", "status"}, {"latency_ms", 20000}});
    CancelSource source;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        source.request_stop();
    });
    EXPECT_THROW(api->status(source.get_token()), CancelledError);
    canceller.join();
    EXPECT_FALSE(api->lastDiagnostic().has_value());
}

} // namespace
} // namespace keldra
