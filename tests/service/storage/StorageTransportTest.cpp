// The storage transport against the local portal's presigned links.
#include "service/storage/StorageTransport.h"

#include "core/codec/Base64.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/LoopbackListener.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace keldra::test {
namespace {

using nlohmann::json;
using SteadyClock = std::chrono::steady_clock;

Bytes patterned(std::size_t size, std::uint8_t seed = 1) {
    Bytes body(size);
    std::uint32_t x = seed;
    for (auto& byte : body) {
        x = x * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return body;
}

std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class StorageTransportTest : public LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        control().createAccount({{"email", "st@example.com"}});
        folder_ = control().createFolder("st@example.com", "Mac")["id"].get<std::int64_t>();
    }

    // An upload ticket through the REST API, as the client would get one.
    json ticket(std::int64_t size, const std::string& mime) {
        httplib::Client client(baseUrl());
        const httplib::Headers headers{{"Authorization", "Bearer " + control().issueToken("st@example.com")}};
        auto result =
            client.Post("/api/keldra/upload-url", headers,
                        json{{"filename", "encrypted"}, {"mime_type", mime}, {"size_bytes", size}}.dump(),
                        "application/json");
        EXPECT_TRUE(result && result->status == 200);
        return json::parse(result->body)["data"];
    }

    // A stored file and its download link.
    std::string downloadLink(const Bytes& body) {
        const auto file = control().seedFile({{"email", "st@example.com"},
                                              {"folder_id", folder_},
                                              {"encrypted_name", "n"},
                                              {"body_base64", base64Encode(body)}});
        httplib::Client client(baseUrl());
        const httplib::Headers headers{{"Authorization", "Bearer " + control().issueToken("st@example.com")}};
        auto result = client.Post("/api/keldra/download-url", headers, json{{"file_id", file["id"]}}.dump(),
                                  "application/json");
        EXPECT_TRUE(result && result->status == 200);
        return json::parse(result->body)["data"]["download_url"];
    }

    std::int64_t folder_ = 0;
    StorageTransport transport_;
};

StorageError::Kind kindOf(const std::function<void()>& action, std::string* text = nullptr,
                          int* status = nullptr) {
    try {
        action();
    } catch (const StorageError& error) {
        if (text != nullptr) {
            *text = error.message();
        }
        if (status != nullptr) {
            *status = error.status();
        }
        return error.kind();
    }
    ADD_FAILURE() << "no StorageError";
    return StorageError::Kind::transport;
}

TEST_F(StorageTransportTest, UploadSendsExactBodyWithTypeAndLengthNeverChunked) {
    struct Case {
        std::size_t size;
        double rate;
    } cases[] = {{0, 0}, {3 * 1024 * 1024 + 17, 0}, {0, 50000}, {120000, 1e9}};
    for (const auto& c : cases) {
        control().resetStats();
        const Bytes body = patterned(c.size, static_cast<std::uint8_t>(c.size));
        const auto t = ticket(static_cast<std::int64_t>(c.size), "application/x-keldra");
        std::vector<std::int64_t> reported;
        std::mutex mutex;
        transport_.upload(body, t["upload_url"], "application/x-keldra", c.rate, [&](std::int64_t sent) {
            std::lock_guard lock(mutex);
            reported.push_back(sent);
        });
        EXPECT_TRUE(control().object(t["s3_key"]) == asString(body)) << c.size;
        const auto logged = control().requests("storage-put");
        ASSERT_EQ(logged.size(), 1u);
        const auto& headers = logged[0]["headers"];
        EXPECT_EQ(headers["Content-Type"], "application/x-keldra");
        EXPECT_EQ(headers["Content-Length"], std::to_string(c.size));
        EXPECT_FALSE(headers.contains("Transfer-Encoding"));
        EXPECT_FALSE(headers.contains("Expect"));
        EXPECT_FALSE(headers.contains("Authorization"));
        EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
        if (c.size > 0) {
            ASSERT_FALSE(reported.empty());
            EXPECT_EQ(reported.back(), static_cast<std::int64_t>(c.size));
        }
    }
}

// The body handed to a sink as it arrives, put together again.
Bytes streamed(StorageTransport& transport, const std::string& url) {
    Bytes body;
    transport.download(
        url, [&](const std::uint8_t* data, std::size_t size) { body.insert(body.end(), data, data + size); });
    return body;
}

TEST_F(StorageTransportTest, DownloadAnswersTheStoredBytes) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{5 * 1024 * 1024 + 3}}) {
        const Bytes body = patterned(size, 9);
        EXPECT_TRUE(transport_.download(downloadLink(body)) == body) << size;
        EXPECT_TRUE(streamed(transport_, downloadLink(body)) == body) << size;
    }
}

// A sink that fails ends the download with its own error, not a transfer failure.
TEST_F(StorageTransportTest, ASinkThatThrowsEndsTheDownloadWithItsError) {
    const std::string link = downloadLink(patterned(3 * 1024 * 1024));
    int calls = 0;
    EXPECT_THROW(transport_.download(link,
                                     [&](const std::uint8_t*, std::size_t) {
                                         ++calls;
                                         throw std::runtime_error("disk full");
                                     }),
                 std::runtime_error);
    EXPECT_EQ(calls, 1);
}

TEST_F(StorageTransportTest, StorageAnswersMapToTheirErrors) {
    const Bytes body = patterned(64);
    struct Case {
        std::string endpoint;
        int status;
        StorageError::Kind kind;
        std::string text;
    } cases[] = {
        {"storage-put", 403, StorageError::Kind::urlExpiredOrForbidden, "The upload link expired."},
        {"storage-get", 403, StorageError::Kind::urlExpiredOrForbidden, "The upload link expired."},
        {"storage-put", 500, StorageError::Kind::http, "Storage returned an error (500)."},
        {"storage-get", 404, StorageError::Kind::http, "Storage returned an error (404)."},
        {"storage-get", 304, StorageError::Kind::http, "Storage returned an error (304)."},
        {"storage-put", 408, StorageError::Kind::http, "Storage returned an error (408)."},
    };
    for (const auto& c : cases) {
        control().addFault({{"endpoint", c.endpoint}, {"status", c.status}});
        std::string text;
        int status = 0;
        const auto kind = kindOf(
            [&] {
                if (c.endpoint == "storage-put") {
                    const auto t = ticket(64, "a/b");
                    transport_.upload(body, t["upload_url"], "a/b", 0, {});
                } else {
                    transport_.download(downloadLink(body));
                }
            },
            &text, &status);
        EXPECT_EQ(kind, c.kind) << c.endpoint << " " << c.status;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(status, c.status);
        if (c.endpoint == "storage-get") {
            // Streamed, the same error, and the refusal's own body never reaches the sink.
            control().addFault({{"endpoint", c.endpoint}, {"status", c.status}, {"body", "refused"}});
            std::size_t received = 0;
            EXPECT_EQ(kindOf([&] {
                          transport_.download(downloadLink(body), [&](const std::uint8_t*, std::size_t size) {
                              received += size;
                          });
                      }),
                      c.kind);
            EXPECT_EQ(received, 0u) << c.status;
        }
    }
}

TEST_F(StorageTransportTest, ExpiredAndForgedLinksAreRefusedAsExpired) {
    const Bytes body = patterned(100);
    const auto good = ticket(100, "a/b");
    std::string forged = good["upload_url"];
    forged.back() = forged.back() == 'a' ? 'b' : 'a';
    EXPECT_EQ(kindOf([&] { transport_.upload(body, forged, "a/b", 0, {}); }),
              StorageError::Kind::urlExpiredOrForbidden);
    // The link is signed for its content type.
    EXPECT_EQ(kindOf([&] { transport_.upload(body, good["upload_url"], "text/plain", 0, {}); }),
              StorageError::Kind::urlExpiredOrForbidden);

    const std::string link = downloadLink(body);
    control().setSettings({{"url_ttl_seconds", -1}});
    const auto expired = ticket(100, "a/b");
    EXPECT_EQ(kindOf([&] { transport_.upload(body, expired["upload_url"], "a/b", 0, {}); }),
              StorageError::Kind::urlExpiredOrForbidden);
    EXPECT_EQ(kindOf([&] { transport_.download(downloadLink(body)); }),
              StorageError::Kind::urlExpiredOrForbidden);
    EXPECT_TRUE(transport_.download(link) == body); // handed out before, still valid
}

TEST_F(StorageTransportTest, NetworkFailuresAreTransportErrorsWithText) {
    const Bytes body = patterned(100);
    std::string text;
    control().addFault({{"endpoint", "storage-get"}, {"drop", true}});
    EXPECT_EQ(kindOf([&] { transport_.download(downloadLink(body)); }, &text), StorageError::Kind::transport);
    EXPECT_FALSE(text.empty());

    // Nothing listens on the port of a stopped portal.
    std::string deadUrl;
    {
        LocalPortal dead;
        deadUrl = dead.baseUrl() + "/storage/keldra/1/00000000000000000000000000000000?expires=1&signature=0";
    }
    text.clear();
    EXPECT_EQ(kindOf([&] { transport_.upload(body, deadUrl, "a/b", 0, {}); }, &text),
              StorageError::Kind::transport);
    EXPECT_FALSE(text.empty());

    // A link is only ever fetched over HTTP.
    EXPECT_EQ(kindOf([&] { transport_.download("file:///etc/hostname"); }), StorageError::Kind::transport);
}

// A loopback server that answers every connection with the given bytes (maybe none) and hangs up.
class RawServer {
public:
    explicit RawServer(std::string reply) : reply_(std::move(reply)) {
        thread_ = std::thread([this] {
            for (;;) {
                const int client = listener_.accept();
                if (client < 0) {
                    return;
                }
                char buffer[4096];
                (void)::recv(client, buffer, sizeof buffer, 0);
                if (!reply_.empty()) {
                    (void)::send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
                }
                ::close(client);
            }
        });
    }
    ~RawServer() {
        listener_.shutDown();
        thread_.join();
    }
    std::string url() const { return listener_.url("/object"); }

private:
    std::string reply_;
    LoopbackListener listener_;
    std::thread thread_;
};

TEST_F(StorageTransportTest, TransferFailuresReadAsTheSystemsSentences) {
    const Bytes body = patterned(100);
    for (const std::string& reply : {std::string(), std::string("garbage that is not HTTP\r\n\r\n"),
                                     std::string("HTTP/1.1 banana\r\n\r\n")}) {
        SCOPED_TRACE(reply);
        RawServer server(reply);
        std::string text;
        EXPECT_EQ(kindOf([&] { transport_.download(server.url()); }, &text), StorageError::Kind::transport);
        EXPECT_EQ(text, "No HTTP response");
        EXPECT_EQ(kindOf([&] { transport_.upload(body, server.url(), "a/b", 0, {}); }, &text),
                  StorageError::Kind::transport);
        EXPECT_EQ(text, "No HTTP response");
    }
    std::string deadUrl;
    {
        LocalPortal dead;
        deadUrl = dead.baseUrl() + "/storage/x";
    }
    std::string text;
    EXPECT_EQ(kindOf([&] { transport_.download(deadUrl); }, &text), StorageError::Kind::transport);
    EXPECT_EQ(text, "Could not connect to the server.");
}

TEST_F(StorageTransportTest, IdleTransferEndsAfterTheIdleTimeOut) {
    SystemClock clock;
    ThreadSleeper sleeper;
    StorageTimeouts timeouts;
    timeouts.downloadIdleSeconds = 1;
    StorageTransport impatient(clock, sleeper, timeouts);
    const std::string link = downloadLink(patterned(10));
    control().addFault({{"endpoint", "storage-get"}, {"latency_ms", 6000}});
    const auto start = SteadyClock::now();
    std::string text;
    EXPECT_EQ(kindOf([&] { impatient.download(link); }, &text), StorageError::Kind::transport);
    EXPECT_FALSE(text.empty());
    EXPECT_LT(std::chrono::duration<double>(SteadyClock::now() - start).count(), 5.0);
}

TEST_F(StorageTransportTest, ThrottledUploadHoldsTheRate) {
    const Bytes body = patterned(2 * 1024 * 1024, 3);
    const auto t = ticket(static_cast<std::int64_t>(body.size()), "a/b");
    const auto start = SteadyClock::now();
    transport_.upload(body, t["upload_url"], "a/b", 256000, {});
    const double elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
    EXPECT_NEAR(elapsed, 8.0, 0.4);
    EXPECT_TRUE(control().object(t["s3_key"]) == asString(body));
}

TEST_F(StorageTransportTest, CancellationEndsTransfersWithinASecond) {
    const Bytes body = patterned(1024 * 1024);
    const auto t = ticket(static_cast<std::int64_t>(body.size()), "a/b");
    const std::string link = downloadLink(patterned(1000));
    control().addFault({{"endpoint", "storage-get"}, {"latency_ms", 8000}});
    struct Case {
        const char* name;
        std::function<void(const CancelToken&)> transfer;
    } cases[] = {
        // At 16 KB/s the body would take over a minute: the stop lands inside a throttle wait.
        {"throttled upload",
         [&](const CancelToken& token) {
             transport_.upload(body, t["upload_url"], "a/b", 16384, {}, token);
         }},
        // The storage does not answer: the stop lands while libcurl waits.
        {"download",
         [&](const CancelToken& token) {
             transport_.download(link, token);
         }},
    };
    for (const auto& c : cases) {
        CancelSource cancel;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            cancel.request_stop();
        });
        const auto start = SteadyClock::now();
        EXPECT_THROW(c.transfer(cancel.get_token()), CancelledError) << c.name;
        const double elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
        stopper.join();
        EXPECT_LT(elapsed, 2.0) << c.name;
    }
    // The cut-off body never became an object.
    EXPECT_THROW(control().object(t["s3_key"]), std::runtime_error);

    CancelSource already;
    already.request_stop();
    control().resetStats();
    EXPECT_THROW(transport_.upload(body, t["upload_url"], "a/b", 0, {}, already.get_token()), CancelledError);
    EXPECT_THROW(transport_.download(link, already.get_token()), CancelledError);
    EXPECT_EQ(control().requestCount("storage-put") + control().requestCount("storage-get"), 0);
}

} // namespace
} // namespace keldra::test
