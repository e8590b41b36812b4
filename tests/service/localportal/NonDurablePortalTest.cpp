// A portal started for benchmarks (bodies not flushed to disk) still stores and serves every body whole.
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "localportal/PortalServer.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace keldra::test {
namespace {

// Serves on its own thread until the end of the scope.
struct Serving {
    localportal::PortalServer& server;
    std::thread thread{[this] {
        server.run();
    }};
    ~Serving() {
        server.stop();
        thread.join();
    }
};

TEST(NonDurablePortal, StoresAndServesBodiesWhole) {
    TempDir dir;
    localportal::PortalOptions options;
    options.dataDir = dir.path() / "portal";
    options.durable = false;
    localportal::PortalServer server(options);
    server.bind();
    // Declared before the clients, so their connections close first and the server stops at once, also when
    // an assertion ends the test early.
    Serving serving{server};

    httplib::Client control(server.baseUrl());
    const auto account =
        control.Post("/_control/accounts", R"({"email":"nd@example.com"})", "application/json");
    ASSERT_TRUE(account && account->status == 201);

    SystemClock clock;
    ThreadSleeper sleeper;
    KeldraAPI api(clock, sleeper, server.baseUrl());
    api.setToken(nlohmann::json::parse(account->body).at("token").get<std::string>());
    StorageTransport storage(clock, sleeper);
    const FlexID folder = api.createFolder("Bench", std::nullopt).id;

    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{(4 << 20) + 5}}) {
        Bytes body(size);
        for (std::size_t i = 0; i < size; ++i) {
            body[i] = static_cast<std::uint8_t>(i * 131 + 7);
        }
        const auto ticket = api.requestUploadURL("application/octet-stream", static_cast<std::int64_t>(size));
        storage.upload(body, ticket.uploadUrl, ticket.contentType.value_or("application/octet-stream"), 0,
                       [](std::int64_t) {});
        KeldraAPI::ConfirmRequest confirm;
        confirm.s3Key = ticket.s3Key;
        confirm.encryptedName = "name-" + std::to_string(size);
        confirm.mimeType = "application/octet-stream";
        confirm.sizeBytes = static_cast<std::int64_t>(size);
        confirm.encryptedSizeBytes = static_cast<std::int64_t>(size);
        confirm.encryptionIV = "AAAAAAAAAAAAAAAA";
        confirm.keyedChecksum = std::string(64, '0');
        confirm.folderId = folder;
        const auto confirmed = api.confirmUpload(confirm);
        const auto link = api.requestDownloadURL(confirmed.file.id);
        EXPECT_TRUE(storage.download(link.downloadUrl) == body) << size;
    }
}

TEST(NonDurablePortal, OnlyABenchmarkPortalMayRaiseTheRequestLimit) {
    TempDir dir;
    localportal::PortalOptions options;
    options.dataDir = dir.path() / "portal";
    options.requestLimit = 1000;
    EXPECT_THROW(localportal::PortalServer{options}, std::invalid_argument);
    options.requestLimit = 0;
    options.durable = false;
    EXPECT_THROW(localportal::PortalServer{options}, std::invalid_argument);

    options.requestLimit = 1000;
    localportal::PortalServer server(options);
    server.bind();
    Serving serving{server};
    httplib::Client client(server.baseUrl());
    client.set_keep_alive(true);
    const auto account =
        client.Post("/_control/accounts", R"({"email":"nd@example.com"})", "application/json");
    ASSERT_TRUE(account && account->status == 201);
    const httplib::Headers bearer{
        {"Authorization", "Bearer " + nlohmann::json::parse(account->body).at("token").get<std::string>()}};
    int admitted = 0;
    while (admitted < 1001) {
        const auto answer = client.Get("/api/keldra/status", bearer);
        if (!answer || answer->status != 200) {
            break;
        }
        ++admitted;
    }
    EXPECT_EQ(admitted, 1000);
}

} // namespace
} // namespace keldra::test
