// The local portal refuses what the real one refuses, so a client that drops a header, a field or its
// manners fails against it: bodies that are not typed JSON objects, missing or mistyped fields, more
// requests than the limit allows, and a signed storage link that also carries a bearer token.
#include "tests/service/localportal/PortalTestClient.h"
#include "tests/support/LocalPortalFixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <vector>

namespace keldra::test {
namespace {

using nlohmann::json;

class StrictPortal : public LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        token_ = control()
                     .createAccount({{"email", "ada@example.com"}, {"password", "secret"}})
                     .at("token")
                     .get<std::string>();
        api_ = std::make_unique<PortalTestClient>(baseUrl(), token_);
        folderId_ = api()
                        .post("/api/keldra/folders", {{"name", "Laptop"}, {"parent_id", nullptr}})
                        .json()["data"]["id"]
                        .get<std::int64_t>();
    }

    PortalTestClient& api() { return *api_; }

    json ticket(std::int64_t size) {
        const auto answer =
            api().post("/api/keldra/upload-url",
                       {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", size}});
        EXPECT_EQ(answer.status, 200) << answer.body;
        return answer.json()["data"];
    }

    // A stored body and the confirmation the client sends for it.
    json uploadedBody(const std::string& body) {
        const auto t = ticket(static_cast<std::int64_t>(body.size()));
        EXPECT_EQ(PortalTestClient::fetch("PUT", t["upload_url"], body, "a/b").status, 200);
        return {{"s3_key", t["s3_key"]},
                {"original_name", "encrypted-file"},
                {"encrypted_name", "sealed"},
                {"mime_type", "a/b"},
                {"size_bytes", 4},
                {"encrypted_size_bytes", body.size()},
                {"encryption_iv", "iv"},
                {"checksum_sha256", "c0ffee"},
                {"folder_id", folderId_}};
    }

    std::string token_;
    std::unique_ptr<PortalTestClient> api_;
    std::int64_t folderId_ = 0;
};

TEST_F(StrictPortal, JsonEndpointsRefuseBodiesThatAreNotTypedJsonObjects) {
    PortalTestClient anonymous(baseUrl());
    const json signIn{{"email", "ada@example.com"}, {"password", "secret"}, {"device_name", "laptop"}};
    struct Endpoint {
        std::string path;
        json body; // a body the endpoint accepts
        PortalTestClient* client;
    } endpoints[] = {
        {"/api/auth/token", signIn, &anonymous},
        {"/api/auth/refresh", json::object(), &api()},
        {"/api/auth/revoke", json::object(), &api()},
        {"/api/keldra/upload-url",
         {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 1}},
         &api()},
        {"/api/keldra/upload-confirm", uploadedBody("body"), &api()},
        {"/api/keldra/download-url", {{"file_id", 1}}, &api()},
        {"/api/keldra/folders", {{"name", "Docs"}, {"parent_id", nullptr}, {"color", nullptr}}, &api()},
        {"/api/keldra/verifier", {{"verifier", "v"}, {"verifier_iv", "i"}}, &api()},
    };
    struct Fault {
        std::string name;
        std::string contentType;
        std::string body; // empty: the endpoint's good body
        int status;
    } faults[] = {
        {"no content type", "", "", 415},
        {"form content type", "application/x-www-form-urlencoded", "", 415},
        {"text content type", "text/plain", "", 415},
        {"empty body", "application/json", "-", 400},
        {"malformed body", "application/json", "{\"name\":", 400},
        {"array body", "application/json", "[]", 400},
        {"null body", "application/json", "null", 400},
    };
    for (const auto& endpoint : endpoints) {
        for (const auto& fault : faults) {
            const std::string body = fault.body.empty()  ? endpoint.body.dump()
                                     : fault.body == "-" ? ""
                                                         : fault.body;
            const auto answer = endpoint.client->postAs(endpoint.path, body, fault.contentType);
            EXPECT_EQ(answer.status, fault.status)
                << endpoint.path << ": " << fault.name << " " << answer.body;
            EXPECT_TRUE(answer.json()["message"].is_string()) << endpoint.path << ": " << fault.name;
        }
    }
    // Nothing was created, stored or revoked by any of them.
    EXPECT_TRUE(control().files("ada@example.com").empty());
    EXPECT_EQ(api().get("/api/keldra/files").json()["data"]["folders"].size(), 1u);
    EXPECT_EQ(api().get("/api/keldra/verifier").json()["data"], nullptr);

    // Parameters of the media type and its case do not matter.
    const auto withCharset =
        api().postAs("/api/keldra/folders", R"({"name":"Docs"})", "Application/JSON; charset=utf-8");
    EXPECT_EQ(withCharset.status, 201) << withCharset.body;
}

TEST_F(StrictPortal, MissingOrMistypedFieldsAreNamedInErrors) {
    PortalTestClient anonymous(baseUrl());
    const auto seeded = control().seedFile({{"email", "ada@example.com"}, {"folder_id", folderId_}})["id"];
    struct Endpoint {
        std::string path;
        json body; // accepted as it is
        PortalTestClient* client;
        std::vector<std::pair<std::string, json>> mistyped; // a field and a value of the wrong kind
    } endpoints[] = {
        {"/api/auth/token",
         {{"email", "ada@example.com"}, {"password", "secret"}, {"device_name", "laptop"}},
         &anonymous,
         {{"email", 5}, {"password", json::array()}, {"device_name", ""}, {"two_factor_code", 123456}}},
        {"/api/keldra/upload-url",
         {{"filename", "encrypted"}, {"mime_type", "a/b"}, {"size_bytes", 10}},
         &api(),
         {{"size_bytes", "10"}, {"size_bytes", -1}, {"size_bytes", 10.5}, {"mime_type", true}}},
        {"/api/keldra/upload-confirm",
         uploadedBody("0123456789"),
         &api(),
         {{"original_name", ""},
          {"encrypted_size_bytes", "10"},
          {"folder_id", "Laptop"},
          {"folder_id", json::object()},
          {"checksum_sha256", 42}}},
        {"/api/keldra/download-url", {{"file_id", seeded}}, &api(), {{"file_id", "one"}, {"file_id", true}}},
        {"/api/keldra/folders",
         {{"name", "Docs"}, {"parent_id", folderId_}, {"color", nullptr}},
         &api(),
         {{"name", std::string(256, 'n')}, {"parent_id", "up"}, {"color", 7}}},
        {"/api/keldra/verifier",
         {{"verifier", "v"}, {"verifier_iv", "i"}},
         &api(),
         {{"verifier", nullptr}, {"verifier_iv", 1}}},
    };
    const std::set<std::string> optional{"parent_id", "color"};
    for (const auto& endpoint : endpoints) {
        // Each required field left out, then each wrong value.
        std::vector<std::pair<std::string, std::optional<json>>> faults;
        for (const auto& [field, value] : endpoint.body.items()) {
            if (!optional.contains(field)) {
                faults.emplace_back(field, std::nullopt);
            }
        }
        for (const auto& [field, value] : endpoint.mistyped) {
            faults.emplace_back(field, value);
        }
        for (const auto& [field, value] : faults) {
            const std::string what =
                endpoint.path + " " + field + (value ? " = " + value->dump() : " left out");
            json body = endpoint.body;
            if (value) {
                body[field] = *value;
            } else {
                body.erase(field);
            }
            const auto answer = endpoint.client->post(endpoint.path, body);
            EXPECT_EQ(answer.status, 422) << what << ": " << answer.body;
            const auto errors = answer.json()["errors"];
            ASSERT_TRUE(errors.is_object()) << what << ": " << answer.body;
            EXPECT_EQ(errors.size(), 1u) << what << ": " << answer.body;
            ASSERT_TRUE(errors.contains(field)) << what << ": " << answer.body;
            EXPECT_TRUE(errors[field][0].is_string()) << what;
            EXPECT_EQ(answer.json()["message"], errors[field][0]) << what;
        }
        // The body as the client sends it is accepted.
        const auto accepted = endpoint.client->post(endpoint.path, endpoint.body);
        EXPECT_TRUE(accepted.status == 200 || accepted.status == 201)
            << endpoint.path << ": " << accepted.body;
    }
    // Every failure at once: each field named, the message counting the rest.
    const auto empty = api().post("/api/keldra/upload-confirm", json::object());
    EXPECT_EQ(empty.status, 422);
    EXPECT_EQ(empty.json()["errors"].size(), 9u) << empty.body;
    EXPECT_EQ(empty.json()["message"], "The s3 key field is required. (and 8 more errors)");
    // The seeded file and the one confirmation that was whole.
    EXPECT_EQ(control().files("ada@example.com").size(), 2u);
}

TEST_F(StrictPortal, AccountsPastTheRequestLimitAreToldToWait) {
    control().createAccount({{"email", "bob@example.com"}, {"password", "pw"}});
    const std::string bob = control().issueToken("bob@example.com");
    httplib::Client client(baseUrl());
    client.set_keep_alive(true);
    const httplib::Headers ada{{"Authorization", "Bearer " + token_}};
    // The fixture's folder request counted once.
    int admitted = 1;
    for (; admitted < 590; ++admitted) {
        const auto answer = client.Get("/api/keldra/status", ada);
        ASSERT_TRUE(answer && answer->status == 200) << admitted;
    }
    const auto refused = client.Get("/api/account", ada);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    const auto retryAfter = std::stoi(refused->get_header_value("Retry-After"));
    EXPECT_GE(retryAfter, 1);
    EXPECT_LE(retryAfter, 60);
    EXPECT_TRUE(json::parse(refused->body)["message"].is_string());

    // The limit is the account's, whichever token it uses; sign-in, storage links, other accounts and
    // the control API are not counted.
    PortalTestClient second(baseUrl(), control().issueToken("ada@example.com"));
    EXPECT_EQ(second.get("/api/keldra/status").status, 429);
    PortalTestClient anonymous(baseUrl());
    EXPECT_EQ(anonymous
                  .post("/api/auth/token",
                        {{"email", "ada@example.com"}, {"password", "secret"}, {"device_name", "laptop"}})
                  .status,
              200);
    EXPECT_EQ(PortalTestClient(baseUrl(), bob).get("/api/keldra/status").status, 200);
    EXPECT_NO_THROW(control().stats());
    EXPECT_EQ(anonymous.get("/cdn-cgi/trace").status, 200);
}

TEST_F(StrictPortal, SignedStorageLinksRefuseASecondCredential) {
    const auto t = ticket(5);
    const auto withBearer = PortalTestClient::fetch("PUT", t["upload_url"], "hello", "a/b", token_);
    EXPECT_EQ(withBearer.status, 400) << withBearer.body;
    EXPECT_NE(withBearer.body.find("InvalidArgument"), std::string::npos);
    EXPECT_THROW(control().object(t["s3_key"]), std::runtime_error);

    auto confirm = uploadedBody("hello");
    const auto file = api().post("/api/keldra/upload-confirm", confirm).json()["data"]["file"]["id"];
    const std::string link =
        api().post("/api/keldra/download-url", {{"file_id", file}}).json()["data"]["download_url"];
    EXPECT_EQ(PortalTestClient::fetch("GET", link, {}, {}, token_).status, 400);
    EXPECT_EQ(PortalTestClient::fetch("GET", link).body, "hello");
}

} // namespace
} // namespace keldra::test
