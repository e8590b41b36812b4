// The local portal's REST answers, storage links and control API, seen by a plain HTTP client.
#include "core/codec/Base64.h"
#include "tests/service/localportal/PortalTestClient.h"
#include "tests/support/LocalPortalFixture.h"

#include <gtest/gtest.h>
#include <thread>

namespace keldra::test {
namespace {

using nlohmann::json;

class LocalPortalContract : public LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        const auto account = control().createAccount({{"email", "ada@example.com"}, {"password", "secret"}});
        api_ = std::make_unique<PortalTestClient>(baseUrl(), account.at("token").get<std::string>());
        folderId_ =
            api()
                .post("/api/keldra/folders", {{"name", "Laptop"}, {"parent_id", nullptr}, {"color", nullptr}})
                .json()["data"]["id"]
                .get<std::int64_t>();
    }

    PortalTestClient& api() { return *api_; }

    json ticket(std::int64_t size, const std::string& mime = "application/octet-stream") {
        auto answer = api().post("/api/keldra/upload-url",
                                 {{"filename", "encrypted"}, {"mime_type", mime}, {"size_bytes", size}});
        EXPECT_EQ(answer.status, 200) << answer.body;
        return answer.json()["data"];
    }

    json confirmBody(const json& ticket, const std::string& sealedName, std::int64_t encryptedSize) {
        return {{"s3_key", ticket["s3_key"]},
                {"original_name", "encrypted-file"},
                {"encrypted_name", sealedName},
                {"mime_type", "text/plain"},
                {"size_bytes", encryptedSize - 16},
                {"encrypted_size_bytes", encryptedSize},
                {"encryption_iv", "AAAAAAAAAAAAAAAA"},
                {"checksum_sha256", "c0ffee"},
                {"folder_id", folderId_}};
    }

    // A whole upload: ticket, PUT, confirmation; answers the new file's id.
    std::int64_t upload(const std::string& body, const std::string& sealedName) {
        const auto t = ticket(static_cast<std::int64_t>(body.size()));
        const auto put = PortalTestClient::fetch("PUT", t["upload_url"], body, t["content_type"]);
        EXPECT_EQ(put.status, 200) << put.body;
        const auto confirmed = api().post("/api/keldra/upload-confirm",
                                          confirmBody(t, sealedName, static_cast<std::int64_t>(body.size())));
        EXPECT_EQ(confirmed.status, 201) << confirmed.body;
        return confirmed.json()["data"]["file"]["id"].get<std::int64_t>();
    }

    std::unique_ptr<PortalTestClient> api_;
    std::int64_t folderId_ = 0;
};

TEST_F(LocalPortalContract, SignInAnswersTokenAndTheRefusalsTheClientReads) {
    control().createAccount({{"email", "tf@example.com"}, {"password", "pw"}, {"two_factor_code", "123456"}});
    control().createAccount({{"email", "off@example.com"}, {"password", "pw"}, {"disabled", true}});
    PortalTestClient anonymous(baseUrl());

    const auto ok = anonymous.post(
        "/api/auth/token", {{"email", "ada@example.com"}, {"password", "secret"}, {"device_name", "x"}});
    ASSERT_EQ(ok.status, 200) << ok.body;
    EXPECT_TRUE(ok.json()["token"].is_string());
    EXPECT_TRUE(ok.json()["expires_at"].is_string());
    EXPECT_EQ(ok.json()["token_type"], "Bearer");

    struct Case {
        json body;
        int status;
        std::string code;
    } cases[] = {
        {{{"email", "ada@example.com"}, {"password", "wrong"}}, 401, ""},
        {{{"email", "nobody@example.com"}, {"password", "secret"}}, 401, ""},
        {{{"email", "tf@example.com"}, {"password", "pw"}}, 401, "two_factor_required"},
        {{{"email", "tf@example.com"}, {"password", "pw"}, {"two_factor_code", ""}},
         401,
         "two_factor_required"},
        {{{"email", "tf@example.com"}, {"password", "pw"}, {"two_factor_code", "654321"}},
         401,
         "invalid_two_factor"},
        {{{"email", "off@example.com"}, {"password", "pw"}}, 403, "forbidden"},
        {{{"email", ""}, {"password", "pw"}}, 422, ""},
    };
    for (const auto& c : cases) {
        json request = c.body;
        request["device_name"] = "laptop";
        const auto answer = anonymous.post("/api/auth/token", request);
        EXPECT_EQ(answer.status, c.status) << c.body.dump();
        const auto body = answer.json();
        ASSERT_TRUE(body.is_object()) << answer.body;
        EXPECT_EQ(body.value("code", std::string()), c.code) << c.body.dump();
        EXPECT_TRUE(body["message"].is_string());
    }
    EXPECT_EQ(anonymous
                  .post("/api/auth/token",
                        {{"email", "ada@example.com"}, {"password", "wrong"}, {"device_name", "laptop"}})
                  .json()["message"],
              "Email or password is incorrect.");
    const auto twoFactor = anonymous.post("/api/auth/token", {{"email", "tf@example.com"},
                                                              {"password", "pw"},
                                                              {"device_name", "laptop"},
                                                              {"two_factor_code", "123456"}});
    EXPECT_EQ(twoFactor.status, 200);
}

TEST_F(LocalPortalContract, TokensExpireRefreshAndRevoke) {
    PortalTestClient none(baseUrl());
    PortalTestClient forged(baseUrl(), "1|00");
    EXPECT_EQ(none.get("/api/keldra/status").status, 401);
    EXPECT_EQ(forged.get("/api/keldra/status").json()["code"], "invalid_token");

    const auto refreshed = api().post("/api/auth/refresh", json::object());
    ASSERT_EQ(refreshed.status, 200) << refreshed.body;
    PortalTestClient second(baseUrl(), refreshed.json()["token"].get<std::string>());
    EXPECT_EQ(second.get("/api/keldra/status").status, 200);

    EXPECT_EQ(second.post("/api/auth/revoke", json::object()).status, 200);
    const auto revoked = second.get("/api/keldra/status");
    EXPECT_EQ(revoked.status, 401);
    EXPECT_EQ(revoked.json()["code"], "invalid_token");

    control().expireTokens("ada@example.com");
    const auto expired = api().get("/api/account");
    EXPECT_EQ(expired.status, 401);
    EXPECT_EQ(expired.json()["code"], "token_expired");
}

TEST_F(LocalPortalContract, AccountAndStatusCarryPlanLimitsAndCountryRule) {
    auto account = api().get("/api/account").json()["data"];
    EXPECT_EQ(account["email"], "ada@example.com");
    EXPECT_TRUE(account["plan"]["name"].is_string());
    EXPECT_EQ(account["two_factor_enabled"], false);
    EXPECT_TRUE(account.contains("geo_rule") && account["geo_rule"].is_null());

    const json rule{{"enabled", true}, {"action", "destroy"}, {"blocked_countries", {"RU"}}};
    control().updateAccount({{"email", "ada@example.com"},
                             {"geo_rule", rule},
                             {"max_file_size_mb", 5},
                             {"quota_bytes", 1000},
                             {"dead_man_switch", {{"enabled", true}, {"days", 30}}}});
    upload(std::string(100, 'x'), "sealed-a");
    const auto status = api().get("/api/keldra/status").json()["data"];
    EXPECT_EQ(status["used_bytes"], 100);
    EXPECT_EQ(status["quota_bytes"], 1000);
    EXPECT_EQ(status["file_count"], 1);
    EXPECT_EQ(status["folder_count"], 1);
    EXPECT_EQ(status["max_file_size_mb"], 5);
    EXPECT_EQ(status["geo_rule"], rule);
    EXPECT_EQ(status["dead_man_switch"]["days"], 30);

    control().updateAccount(
        {{"email", "ada@example.com"}, {"geo_rule_reported", false}, {"has_plan", false}});
    account = api().get("/api/account").json()["data"];
    EXPECT_FALSE(account.contains("geo_rule"));
    EXPECT_TRUE(account["plan"].is_null());
}

TEST_F(LocalPortalContract, KeldraEndpointsRefuseAccountsThatMayNotUseThem) {
    const auto fileId = upload(std::string(40, 'b'), "sealed");
    struct Case {
        json change;
        json expected; // members the 403 body must carry
    } cases[] = {
        {{{"has_plan", false}}, {{"has_subscription", false}}},
        {{{"suspended", true}}, {{"code", "keldra_suspended"}, {"suspended", true}}},
        {{{"disabled", true}}, {{"code", "forbidden"}}},
        {{{"geo_rule", {{"action", "block"}, {"countries", {"de"}}}}},
         {{"code", "keldra_geo_blocked"}, {"geo", "blocked"}}},
        {{{"geo_rule", {{"action", "Destroy"}, {"allowed_countries", {"FR"}}}}},
         {{"code", "keldra_geo_blocked"}, {"geo", "destroyed"}}},
    };
    const json clean{{"has_plan", true}, {"suspended", false}, {"disabled", false}, {"geo_rule", nullptr}};
    for (const auto& c : cases) {
        json change = clean;
        change.update(c.change);
        change["email"] = "ada@example.com";
        control().updateAccount(change);
        const auto answer = api().get("/api/keldra/status");
        EXPECT_EQ(answer.status, 403) << c.change.dump();
        for (const auto& [key, value] : c.expected.items()) {
            EXPECT_EQ(answer.json()[key], value) << c.change.dump() << " " << answer.body;
        }
        json restore = clean;
        restore["email"] = "ada@example.com";
        control().updateAccount(restore);
    }
    // The Destroy rule fired once: the Keldra is wiped, exactly as the real service would do it.
    EXPECT_EQ(control().stats()["geo_wipes"], 1);
    EXPECT_EQ(api().post("/api/keldra/download-url", {{"file_id", fileId}}).status, 404);
    // A disabled rule, another action or an unknown country never fires.
    control().updateAccount(
        {{"email", "ada@example.com"},
         {"geo_rule", {{"enabled", false}, {"action", "destroy"}, {"countries", {"DE"}}}}});
    EXPECT_EQ(api().get("/api/keldra/status").status, 200);
    control().updateAccount(
        {{"email", "ada@example.com"}, {"geo_rule", {{"action", "destroy"}, {"countries", {"DE"}}}}});
    control().setCountry(std::nullopt);
    EXPECT_EQ(api().get("/api/keldra/status").status, 200);
}

TEST_F(LocalPortalContract, FoldersAndListingsShowTheTreeInCreationOrder) {
    const auto child =
        api().post("/api/keldra/folders",
                   {{"name", "Docs"}, {"parent_id", std::to_string(folderId_)}, {"color", nullptr}});
    ASSERT_EQ(child.status, 201) << child.body;
    EXPECT_EQ(child.json()["data"]["parent_id"], folderId_);
    const auto first = upload(std::string(20, 'a'), "sealed-1");
    const auto second = upload(std::string(30, 'b'), "sealed-2");

    const auto top = api().get("/api/keldra/files").json()["data"];
    ASSERT_EQ(top["folders"].size(), 1u);
    EXPECT_EQ(top["folders"][0]["name"], "Laptop");
    EXPECT_TRUE(top["folders"][0]["parent_id"].is_null());
    EXPECT_TRUE(top["files"].empty());

    const auto inside = api().get("/api/keldra/files?folder_id=" + std::to_string(folderId_)).json()["data"];
    ASSERT_EQ(inside["files"].size(), 2u);
    EXPECT_EQ(inside["files"][0]["id"], first);
    EXPECT_EQ(inside["files"][1]["id"], second);
    const auto& file = inside["files"][1];
    EXPECT_EQ(file["encrypted_name"], "sealed-2");
    EXPECT_EQ(file["name_sealed"], true);
    EXPECT_EQ(file["size_bytes"], 14);
    EXPECT_EQ(file["folder_id"], folderId_);
    EXPECT_EQ(file["original_name"], "encrypted-file");
    for (const char* key : {"mime_type", "encryption_iv", "checksum_sha256", "created_at", "updated_at"}) {
        EXPECT_TRUE(file[key].is_string()) << key;
    }
    EXPECT_EQ(inside["folders"].size(), 1u);

    EXPECT_EQ(api().get("/api/keldra/files?folder_id=999999").status, 404);
    EXPECT_EQ(api().post("/api/keldra/folders", {{"name", "X"}, {"parent_id", 999999}}).status, 422);
    EXPECT_EQ(api().post("/api/keldra/folders", {{"name", ""}, {"parent_id", nullptr}}).status, 422);
    // Another account's folder does not exist for this one.
    const auto other = control().createAccount({{"email", "bob@example.com"}});
    PortalTestClient bob(baseUrl(), other["token"].get<std::string>());
    EXPECT_EQ(bob.get("/api/keldra/files?folder_id=" + std::to_string(folderId_)).status, 404);
    EXPECT_EQ(bob.post("/api/keldra/download-url", {{"file_id", first}}).status, 404);
}

TEST_F(LocalPortalContract, AllFilesPagesInCreationOrderWithFolderAndDateFilters) {
    const auto other = control().createFolder("ada@example.com", "Other");
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 5; ++i) {
        ids.push_back(
            control()
                .seedFile({{"email", "ada@example.com"},
                           {"folder_id", folderId_},
                           {"encrypted_name", "n" + std::to_string(i)},
                           {"body_base64", "AAAAAAAAAAAAAAAAAAAAAA=="},
                           {"created_at", i < 2 ? "2020-01-01T00:00:00Z" : "2030-01-01T00:00:00Z"}})["id"]
                .get<std::int64_t>());
    }
    control().seedFile({{"email", "ada@example.com"}, {"folder_id", other["id"]}, {"body_base64", ""}});

    const std::string base =
        "/api/keldra/files/all?per_page=2&folder_id=" + std::to_string(folderId_) + "&page=";
    std::vector<std::int64_t> seen;
    for (int page = 1; page <= 3; ++page) {
        const auto answer = api().get(base + std::to_string(page));
        ASSERT_EQ(answer.status, 200) << answer.body;
        const auto body = answer.json();
        EXPECT_EQ(body["current_page"], page);
        EXPECT_EQ(body["last_page"], 3);
        EXPECT_EQ(body["total"], 5);
        EXPECT_EQ(body["next_page_url"].is_null(), page == 3);
        for (const auto& f : body["data"]) {
            seen.push_back(f["id"].get<std::int64_t>());
        }
    }
    EXPECT_EQ(seen, ids);
    EXPECT_TRUE(api().get(base + "4").json()["data"].empty());

    // Without a folder every file of the account; per_page never exceeds 1000.
    const auto all = api().get("/api/keldra/files/all?page=1&per_page=5000").json();
    EXPECT_EQ(all["per_page"], 1000);
    EXPECT_EQ(all["data"].size(), 6u);

    const auto since =
        api().get("/api/keldra/files/all?page=1&per_page=1000&folder_id=" + std::to_string(folderId_) +
                  "&updated_since=2025-06-01T00:00:00Z");
    ASSERT_EQ(since.status, 200);
    EXPECT_EQ(since.json()["data"].size(), 3u);
    EXPECT_EQ(api().get("/api/keldra/files/all?updated_since=yesterday").status, 422);
    EXPECT_EQ(api().get("/api/keldra/files/all?page=0").status, 422);
    EXPECT_EQ(api().get("/api/keldra/files/all?folder_id=999999").status, 404);
}

TEST_F(LocalPortalContract, UploadedBodyComesBackExactlyAndConfirmsOnce) {
    std::string body(70000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7 + 3);
    }
    const auto t = ticket(static_cast<std::int64_t>(body.size()), "application/pdf");
    EXPECT_EQ(t["content_type"], "application/pdf");
    EXPECT_TRUE(t["expires_in"].is_number_integer());

    // Before its body arrived an upload cannot be confirmed.
    auto early = api().post("/api/keldra/upload-confirm",
                            confirmBody(t, "sealed", static_cast<std::int64_t>(body.size())));
    EXPECT_EQ(early.status, 422) << early.body;

    ASSERT_EQ(PortalTestClient::fetch("PUT", t["upload_url"], body, "application/pdf").status, 200);
    // A declared size that differs from what was stored is refused: a cut-off body is never a file.
    auto wrongSize = api().post("/api/keldra/upload-confirm",
                                confirmBody(t, "sealed", static_cast<std::int64_t>(body.size()) - 1));
    EXPECT_EQ(wrongSize.status, 422) << wrongSize.body;

    const auto confirmed = api().post("/api/keldra/upload-confirm",
                                      confirmBody(t, "sealed", static_cast<std::int64_t>(body.size())));
    ASSERT_EQ(confirmed.status, 201) << confirmed.body;
    const auto id = confirmed.json()["data"]["file"]["id"];
    EXPECT_TRUE(confirmed.json()["data"]["file"]["created_at"].is_string());
    const auto again = api().post("/api/keldra/upload-confirm",
                                  confirmBody(t, "sealed", static_cast<std::int64_t>(body.size())));
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(again.json()["code"], "already_confirmed");

    const auto ticketAnswer =
        api().post("/api/keldra/download-url", {{"file_id", std::to_string(id.get<std::int64_t>())}});
    ASSERT_EQ(ticketAnswer.status, 200) << ticketAnswer.body;
    const auto down = ticketAnswer.json()["data"];
    EXPECT_EQ(down["name_sealed"], true);
    EXPECT_EQ(down["encrypted_name"], "sealed");
    EXPECT_EQ(down["encryption_iv"], "AAAAAAAAAAAAAAAA");
    EXPECT_EQ(down["size_bytes"], body.size() - 16);
    const auto fetched = PortalTestClient::fetch("GET", down["download_url"]);
    EXPECT_EQ(fetched.status, 200);
    EXPECT_TRUE(fetched.body == body);
    EXPECT_TRUE(control().object(t["s3_key"]) == body);
}

TEST_F(LocalPortalContract, StorageLinksRefuseExpiredForgedAndMisusedRequests) {
    const auto t = ticket(5, "text/plain");
    const std::string url = t["upload_url"];
    std::string forged = url;
    forged.back() = forged.back() == '0' ? '1' : '0';
    std::string otherKey = url;
    otherKey[otherKey.find("/storage/keldra/") + 20] ^= 1;
    struct Case {
        std::string name;
        std::string method;
        std::string url;
        std::string contentType;
        int status;
    } cases[] = {
        {"forged signature", "PUT", forged, "text/plain", 403},
        {"another key", "PUT", otherKey, "text/plain", 403},
        {"another content type", "PUT", url, "text/html", 403},
        {"upload link used to read", "GET", url, "", 403},
        {"no signature", "PUT", url.substr(0, url.find('?')), "text/plain", 403},
        {"path outside the store", "PUT",
         baseUrl() + "/storage/../portal.sqlite?expires=9999999999&signature=00", "text/plain", 403},
        {"right link", "PUT", url, "text/plain", 200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortalTestClient::fetch(c.method, c.url, "hello", c.contentType).status, c.status)
            << c.name;
    }
    control().setSettings({{"url_ttl_seconds", -1}});
    const auto expired = ticket(5, "text/plain");
    const auto answer = PortalTestClient::fetch("PUT", expired["upload_url"], "hello", "text/plain");
    EXPECT_EQ(answer.status, 403);
    EXPECT_NE(answer.body.find("expired"), std::string::npos);
}

TEST_F(LocalPortalContract, PlanLimitAndQuotaRefuseWithStorageFullTexts) {
    control().updateAccount(
        {{"email", "ada@example.com"}, {"max_file_size_mb", 1}, {"quota_bytes", 2000000}});
    const auto tooBig = api().post(
        "/api/keldra/upload-url", {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 1048577}});
    EXPECT_EQ(tooBig.status, 413);
    const auto exact = api().post("/api/keldra/upload-url",
                                  {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 1048576}});
    EXPECT_EQ(exact.status, 200);
    control().updateAccount({{"email", "ada@example.com"}, {"max_file_size_mb", nullptr}});
    const auto overQuota = api().post(
        "/api/keldra/upload-url", {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 2000001}});
    EXPECT_EQ(overQuota.status, 422);
    for (const auto& answer : {tooBig, overQuota}) {
        // The client reads the first text of "errors" and looks for words such as quota or limit.
        const auto body = answer.json();
        std::string text = body["errors"].begin()->at(0);
        for (auto& ch : text) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        EXPECT_TRUE(text.find("quota") != std::string::npos || text.find("limit") != std::string::npos)
            << text;
    }
    // The quota also holds at confirmation, against what was really stored.
    const auto t = ticket(100);
    control().updateAccount({{"email", "ada@example.com"}, {"quota_bytes", 50}});
    ASSERT_EQ(
        PortalTestClient::fetch("PUT", t["upload_url"], std::string(100, 'x'), t["content_type"]).status,
        200);
    const auto refused = api().post("/api/keldra/upload-confirm", confirmBody(t, "s", 100));
    EXPECT_EQ(refused.status, 422);
    EXPECT_TRUE(control().files("ada@example.com").empty());
}

TEST_F(LocalPortalContract, DeleteRemovesFileAndBodyAndAnswersNotFoundAfterwards) {
    const auto id = upload(std::string(32, 'd'), "gone");
    const auto key = control().files("ada@example.com")[0]["s3_key"].get<std::string>();
    const auto link = api()
                          .post("/api/keldra/download-url", {{"file_id", id}})
                          .json()["data"]["download_url"]
                          .get<std::string>();
    const auto deleted = api().del("/api/keldra/files/" + std::to_string(id));
    EXPECT_EQ(deleted.status, 200);
    for (const auto& path :
         {"/api/keldra/files/" + std::to_string(id), std::string("/api/keldra/files/abc")}) {
        const auto missing = api().del(path);
        EXPECT_EQ(missing.status, 404);
        // A JSON object without the word "route": the client reads it as "not found", not a missing endpoint.
        ASSERT_TRUE(missing.json().is_object()) << missing.body;
        EXPECT_EQ(missing.json()["message"], "File not found.");
    }
    EXPECT_EQ(api().post("/api/keldra/download-url", {{"file_id", id}}).status, 404);
    EXPECT_EQ(PortalTestClient::fetch("GET", link).status, 404);
    EXPECT_THROW(control().object(key), std::runtime_error);
    EXPECT_EQ(api().get("/api/keldra/status").json()["data"]["used_bytes"], 0);
}

TEST_F(LocalPortalContract, VerifierIsAbsentUntilStored) {
    EXPECT_TRUE(api().get("/api/keldra/verifier").json()["data"].is_null());
    EXPECT_EQ(api().post("/api/keldra/verifier", {{"verifier", "v"}}).status, 422);
    EXPECT_EQ(
        api().post("/api/keldra/verifier", {{"verifier", "sealed-check"}, {"verifier_iv", "iv-1"}}).status,
        200);
    const auto data = api().get("/api/keldra/verifier").json()["data"];
    EXPECT_EQ(data["verifier"], "sealed-check");
    EXPECT_EQ(data["verifier_iv"], "iv-1");
}

TEST_F(LocalPortalContract, TraceCarriesTheConfiguredCountry) {
    PortalTestClient anonymous(baseUrl());
    auto locLines = [&] {
        const auto body = anonymous.get("/cdn-cgi/trace").body;
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = body.find('\n', start)) != std::string::npos; start = end + 1) {
            if (body.compare(start, 4, "loc=") == 0) {
                lines.push_back(body.substr(start, end - start));
            }
        }
        return lines;
    };
    EXPECT_EQ(locLines(), std::vector<std::string>{"loc=DE"});
    control().setCountry("fr");
    EXPECT_EQ(locLines(), std::vector<std::string>{"loc=fr"});
    control().setCountry("");
    EXPECT_EQ(locLines(), std::vector<std::string>{"loc="});
    control().setCountry(std::nullopt);
    EXPECT_TRUE(locLines().empty());
    control().addFault({{"endpoint", "trace"}, {"status", 403}});
    EXPECT_EQ(anonymous.get("/cdn-cgi/trace").status, 403);
}

TEST_F(LocalPortalContract, FaultsFireInOrderForTheirCountAndAreCounted) {
    control().addFault({{"endpoint", "status"}, {"status", 429}, {"retry_after", "0"}, {"count", 2}});
    control().addFault(
        {{"endpoint", "status"}, {"status", 503}, {"retry_after", "0.5"}, {"body", {{"message", "busy"}}}});
    const auto first = api().get("/api/keldra/status");
    EXPECT_EQ(first.status, 429);
    EXPECT_EQ(first.header("Retry-After"), "0");
    EXPECT_EQ(api().get("/api/keldra/status").status, 429);
    const auto third = api().get("/api/keldra/status");
    EXPECT_EQ(third.status, 503);
    EXPECT_EQ(third.header("Retry-After"), "0.5");
    EXPECT_EQ(third.json()["message"], "busy");
    EXPECT_EQ(api().get("/api/keldra/status").status, 200);
    EXPECT_EQ(control().requestCount("status"), 4);

    control().addFault({{"endpoint", "files-all"}, {"route_404", "html"}});
    const auto html = api().get("/api/keldra/files/all?page=1");
    EXPECT_EQ(html.status, 404);
    EXPECT_FALSE(html.json().is_object());

    control().addFault({{"endpoint", "account"}, {"skip", 1}, {"drop", true}});
    EXPECT_EQ(api().get("/api/account").status, 200);
    EXPECT_EQ(api().get("/api/account").status, 0); // the connection broke off
    EXPECT_EQ(api().get("/api/account").status, 200);
}

TEST_F(LocalPortalContract, ConfirmationWhoseAnswerIsLostIsAlreadyConfirmedOnRetry) {
    const auto t = ticket(40);
    ASSERT_EQ(PortalTestClient::fetch("PUT", t["upload_url"], std::string(40, 'z'), t["content_type"]).status,
              200);
    control().addFault({{"endpoint", "upload-confirm"}, {"status", 503}, {"after_handler", true}});
    EXPECT_EQ(api().post("/api/keldra/upload-confirm", confirmBody(t, "s", 40)).status, 503);
    const auto retry = api().post("/api/keldra/upload-confirm", confirmBody(t, "s", 40));
    EXPECT_EQ(retry.status, 409);
    EXPECT_EQ(retry.json()["code"], "already_confirmed");
    EXPECT_EQ(control().files("ada@example.com").size(), 1u);
}

TEST_F(LocalPortalContract, DownloadTicketCanMangleTheSealedName) {
    const std::string sealed(300, 'N');
    const auto id = upload(std::string(40, 'q'), sealed);
    struct Case {
        std::string mangle;
        bool sealedFlag;
        bool nameMatches;
    } cases[] = {
        {"alter", true, false}, {"truncate", true, false}, {"unsealed", false, false}, {"", true, true}};
    for (const auto& c : cases) {
        if (!c.mangle.empty()) {
            control().addFault({{"endpoint", "download-url"}, {"mangle_name", c.mangle}});
        }
        const auto data = api().post("/api/keldra/download-url", {{"file_id", id}}).json()["data"];
        EXPECT_EQ(data["name_sealed"], c.sealedFlag) << c.mangle;
        EXPECT_EQ(data.value("encrypted_name", std::string()) == sealed, c.nameMatches) << c.mangle;
    }
}

TEST_F(LocalPortalContract, RequestLogShowsHeadersAndBodies) {
    const auto t = ticket(40, "text/plain");
    const auto logged = control().requests("upload-url");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0]["method"], "POST");
    EXPECT_EQ(json::parse(logged[0]["body"].get<std::string>())["size_bytes"], 40);
    EXPECT_EQ(logged[0]["headers"]["Accept"], "application/json");
    PortalTestClient::fetch("PUT", t["upload_url"], std::string(40, 'x'), "text/plain");
    EXPECT_EQ(control().stats()["bytes_in"], 40);
    EXPECT_EQ(control().requests("storage-put")[0]["headers"]["Content-Length"], "40");
}

TEST_F(LocalPortalContract, UnknownRoutesAnswerTheRouteMessage) {
    const auto answer = api().get("/api/keldra/nothing-here");
    EXPECT_EQ(answer.status, 404);
    std::string message = answer.json()["message"];
    EXPECT_NE(message.find("could not be found"), std::string::npos);
    EXPECT_NE(message.find("route"), std::string::npos);
}

TEST_F(LocalPortalContract, PagesHoldAThousandFilesAndBulkSeedingKeepsOrder) {
    json entries = json::array();
    for (int i = 0; i < 2500; ++i) {
        entries.push_back(
            {{"folder_id", folderId_}, {"encrypted_name", "n" + std::to_string(i)}, {"body_base64", ""}});
    }
    const auto seeded = control().seedFiles("ada@example.com", entries);
    ASSERT_EQ(seeded.size(), 2500u);
    std::vector<std::size_t> sizes;
    std::int64_t previous = 0;
    for (int page = 1; page <= 3; ++page) {
        const auto body =
            api()
                .get("/api/keldra/files/all?per_page=1000&folder_id=" + std::to_string(folderId_) +
                     "&page=" + std::to_string(page))
                .json();
        sizes.push_back(body["data"].size());
        EXPECT_EQ(body["last_page"], 3);
        for (const auto& f : body["data"]) {
            EXPECT_GT(f["id"].get<std::int64_t>(), previous);
            previous = f["id"].get<std::int64_t>();
        }
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1000, 1000, 500}));
    EXPECT_EQ(api().get("/api/keldra/status").json()["data"]["file_count"], 2500);
}

TEST(LocalPortalRestart, EverythingSurvivesARestart) {
    LocalPortal portal;
    const auto account = portal.control().createAccount({{"email", "keep@example.com"}, {"password", "pw"}});
    PortalTestClient api(portal.baseUrl(), account["token"].get<std::string>());
    const auto folder =
        api.post("/api/keldra/folders", {{"name", "Mac"}, {"parent_id", nullptr}}).json()["data"]["id"];
    const auto t = api.post("/api/keldra/upload-url",
                            {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 20}})
                       .json()["data"];
    ASSERT_EQ(PortalTestClient::fetch("PUT", t["upload_url"], std::string(20, 'r'), "a/b").status, 200);
    const auto pendingTicket = api.post("/api/keldra/upload-url",
                                        {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 20}})
                                   .json()["data"];
    ASSERT_EQ(api.post("/api/keldra/upload-confirm", {{"s3_key", t["s3_key"]},
                                                      {"original_name", "encrypted-file"},
                                                      {"encrypted_name", "kept"},
                                                      {"mime_type", "a/b"},
                                                      {"size_bytes", 4},
                                                      {"encrypted_size_bytes", 20},
                                                      {"encryption_iv", "iv"},
                                                      {"checksum_sha256", "c"},
                                                      {"folder_id", folder}})
                  .status,
              201);
    api.post("/api/keldra/verifier", {{"verifier", "v"}, {"verifier_iv", "i"}});
    const auto link = api.post("/api/keldra/download-url", {{"file_id", 1}})
                          .json()["data"]["download_url"]
                          .get<std::string>();

    portal.restart();

    PortalTestClient anonymous(portal.baseUrl());
    EXPECT_EQ(anonymous
                  .post("/api/auth/token",
                        {{"email", "keep@example.com"}, {"password", "pw"}, {"device_name", "laptop"}})
                  .status,
              200);
    const auto files = api.get("/api/keldra/files/all?page=1&folder_id=" + folder.dump()).json()["data"];
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0]["encrypted_name"], "kept");
    EXPECT_EQ(api.get("/api/keldra/verifier").json()["data"]["verifier"], "v");
    // Links handed out before the restart still work: the signing key is kept with the data.
    EXPECT_EQ(PortalTestClient::fetch("GET", link).body, std::string(20, 'r'));
    EXPECT_EQ(PortalTestClient::fetch("PUT", pendingTicket["upload_url"], std::string(20, 's'), "a/b").status,
              200);
}

} // namespace
} // namespace keldra::test
