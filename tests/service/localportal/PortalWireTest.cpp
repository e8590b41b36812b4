// The portal's HTTP layer on the wire: bodies cut off, chunked and pipelined requests, "Expect:
// 100-continue", large bodies (read in pieces, sent back by the kernel) arriving and leaving whole, and
// downloads their client abandons.
#include "localportal/PortalServer.h"
#include "tests/support/TempDir.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace keldra::test {
namespace {

using nlohmann::json;

// One plain TCP connection to the portal, written and read by hand.
class RawConnection {
public:
    explicit RawConnection(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const timeval wait{10, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection() { ::close(fd_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    bool send(const std::string& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // Everything read until `count` occurrences of `text` arrived (or the connection ended or went quiet).
    std::string readUntil(const std::string& text, int count = 1) {
        for (;;) {
            int seen = 0;
            for (auto at = received_.find(text); at != std::string::npos; at = received_.find(text, at + 1)) {
                ++seen;
            }
            if (seen >= count) {
                return received_;
            }
            char buffer[4096];
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return received_;
            }
            received_.append(buffer, static_cast<std::size_t>(got));
        }
    }

private:
    int fd_;
    bool connected_ = false;
    std::string received_;
};

class PortalWire : public ::testing::Test {
protected:
    void SetUp() override {
        localportal::PortalOptions options;
        options.dataDir = dir_.path() / "portal";
        server_ = std::make_unique<localportal::PortalServer>(options);
        port_ = server_->bind();
        serving_ = std::thread([this] { server_->run(); });
        httplib::Client control(server_->baseUrl());
        const auto account =
            control.Post("/_control/accounts", R"({"email":"wire@example.com"})", "application/json");
        ASSERT_TRUE(account && account->status == 201);
        token_ = json::parse(account->body)["token"];
        folder_ = api("/api/keldra/folders", {{"name", "Wire"}, {"parent_id", nullptr}})["data"]["id"];
    }
    void TearDown() override {
        server_->stop();
        serving_.join();
    }

    json api(const std::string& path, const json& body, int expected = -1) {
        httplib::Client client(server_->baseUrl());
        const auto answer = client.Post(path.c_str(), {{"Authorization", "Bearer " + token_}}, body.dump(),
                                        "application/json");
        if (!answer) {
            ADD_FAILURE() << path << ": no answer";
            return {};
        }
        if (expected != -1) {
            EXPECT_EQ(answer->status, expected) << path << ": " << answer->body;
        }
        return json::parse(answer->body, nullptr, false);
    }
    json ticket(std::size_t size) {
        return api("/api/keldra/upload-url", {{"filename", "encrypted"},
                                              {"mime_type", "application/octet-stream"},
                                              {"size_bytes", size}})["data"];
    }
    json confirm(const json& t, std::size_t size, int expected) {
        return api("/api/keldra/upload-confirm",
                   {{"s3_key", t["s3_key"]},
                    {"original_name", "file"},
                    {"encrypted_name", "sealed"},
                    {"mime_type", "application/octet-stream"},
                    {"size_bytes", size},
                    {"encrypted_size_bytes", size},
                    {"encryption_iv", "AAAAAAAAAAAAAAAA"},
                    {"checksum_sha256", std::string(64, '0')},
                    {"folder_id", folder_}},
                   expected);
    }
    // The request line and headers of a PUT to a presigned link.
    static std::string putHead(const std::string& link, std::size_t length, const std::string& extra = {}) {
        const auto path = link.substr(link.find('/', link.find("://") + 3));
        return "PUT " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/octet-stream\r\n" +
               "Content-Length: " + std::to_string(length) + "\r\n" + extra + "\r\n";
    }

    // True once no body is on its way in (a cut-off one has been thrown away), within a few seconds.
    bool nothingArriving() const {
        const auto incoming = dir_.path() / "portal" / "objects" / ".incoming";
        for (int i = 0; i < 100; ++i) {
            if (std::filesystem::is_empty(incoming)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // The stored file of a ticket's key.
    std::filesystem::path objectFile(const json& t) const {
        const std::string key = t["s3_key"];
        return dir_.path() / "portal" / "objects" / key.substr(std::string("keldra/").size());
    }

    TempDir dir_;
    std::unique_ptr<localportal::PortalServer> server_;
    std::thread serving_;
    int port_ = 0;
    std::string token_;
    json folder_;
};

std::string hex(std::size_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%zx", value);
    return text;
}

std::string patterned(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>((i * 131 + i / 4099) & 0xff);
    }
    return body;
}

TEST_F(PortalWire, LargeBodiesArriveAndLeaveWholeAndACutOffOneIsNeverStored) {
    const std::size_t size = (9 << 20) + 12345; // several pieces, and a short last one
    const std::string body = patterned(size);

    // Cut off after 3 MiB: the upload is not there to confirm, and the portal goes on serving.
    const auto cut = ticket(size);
    {
        RawConnection connection(port_);
        ASSERT_TRUE(connection.connected());
        ASSERT_TRUE(connection.send(putHead(cut["upload_url"], size) + body.substr(0, 3 << 20)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(confirm(cut, size, 422)["message"].is_string());

    const auto whole = ticket(size);
    httplib::Client client(server_->baseUrl());
    const std::string link = whole["upload_url"];
    const auto put =
        client.Put(link.substr(link.find("/storage/")).c_str(), body, "application/octet-stream");
    ASSERT_TRUE(put);
    EXPECT_EQ(put->status, 200);
    const auto id = confirm(whole, size, 201)["data"]["file"]["id"];
    const std::string download =
        api("/api/keldra/download-url", {{"file_id", id}}, 200)["data"]["download_url"];
    const auto get = client.Get(download.substr(download.find("/storage/")).c_str());
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 200);
    EXPECT_EQ(get->get_header_value("Content-Length"), std::to_string(size));
    EXPECT_TRUE(get->body == body) << "the body came back different, " << get->body.size() << " bytes";
}

TEST_F(PortalWire, OneConnectionCarriesChunkedAndPipelinedRequests) {
    RawConnection connection(port_);
    ASSERT_TRUE(connection.connected());
    const std::string country = R"({"country":"FR"})";
    // A chunked body in two chunks, then a second request in the same write.
    ASSERT_TRUE(connection.send(
        "POST /_control/country HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
        "Transfer-Encoding: chunked\r\n\r\n"
        "5\r\n" +
        country.substr(0, 5) + "\r\n" + hex(country.size() - 5) + "\r\n" + country.substr(5) +
        "\r\n0\r\n\r\n" + "GET /cdn-cgi/trace HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    const std::string answers = connection.readUntil("gateway=off");
    EXPECT_EQ(answers.rfind("HTTP/1.1 200", 0), 0u) << answers;
    EXPECT_NE(answers.find("HTTP/1.1 200", 1), std::string::npos) << answers;
    EXPECT_NE(answers.find("loc=FR\n"), std::string::npos) << answers;
}

TEST_F(PortalWire, ExpectContinueIsAnsweredBeforeTheBody) {
    const auto t = ticket(11);
    RawConnection connection(port_);
    ASSERT_TRUE(connection.connected());
    ASSERT_TRUE(connection.send(putHead(t["upload_url"], 11, "Expect: 100-continue\r\n")));
    EXPECT_EQ(connection.readUntil("\r\n\r\n").rfind("HTTP/1.1 100 Continue\r\n\r\n", 0), 0u);
    ASSERT_TRUE(connection.send("hello world"));
    EXPECT_NE(connection.readUntil("\r\n\r\n", 2).find("HTTP/1.1 200"), std::string::npos);
    confirm(t, 11, 201);
}

TEST_F(PortalWire, AnUploadCutOffAnywhereIsNeverStored) {
    const std::size_t size = (3 << 20) + 77;
    const std::string body = patterned(size);
    // Where the connection breaks, in bytes of the body sent: none (headers only), inside the first read,
    // exactly at the boundary of a 1 MiB read piece, and one byte short of the end.
    const std::size_t cuts[] = {0, 1000, 1 << 20, size - 1};
    for (const std::size_t sent : cuts) {
        SCOPED_TRACE("cut after " + std::to_string(sent) + " bytes");
        const auto t = ticket(size);
        {
            RawConnection connection(port_);
            ASSERT_TRUE(connection.connected());
            ASSERT_TRUE(connection.send(putHead(t["upload_url"], size) + body.substr(0, sent)));
        }
        EXPECT_TRUE(nothingArriving());
        EXPECT_FALSE(std::filesystem::exists(objectFile(t)));
        EXPECT_TRUE(confirm(t, size, 422)["message"].is_string());
    }
}

TEST_F(PortalWire, ADownloadItsClientAbandonsLeavesThePortalServing) {
    const std::size_t size = (8 << 20) + 5;
    const std::string body = patterned(size);
    const auto t = ticket(size);
    httplib::Client client(server_->baseUrl());
    const std::string upload = t["upload_url"];
    const auto put =
        client.Put(upload.substr(upload.find("/storage/")).c_str(), body, "application/octet-stream");
    ASSERT_TRUE(put && put->status == 200);
    const auto id = confirm(t, size, 201)["data"]["file"]["id"];
    const std::string link = api("/api/keldra/download-url", {{"file_id", id}}, 200)["data"]["download_url"];
    const std::string path = link.substr(link.find("/storage/"));

    // Several clients leave after the headers, while the body is still being sent.
    for (int i = 0; i < 3; ++i) {
        RawConnection connection(port_);
        ASSERT_TRUE(connection.connected());
        ASSERT_TRUE(connection.send("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
        EXPECT_EQ(connection.readUntil("\r\n\r\n").rfind("HTTP/1.1 200", 0), 0u);
    }
    const auto get = client.Get(path.c_str());
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 200);
    EXPECT_TRUE(get->body == body) << "the body came back different, " << get->body.size() << " bytes";
}

} // namespace
} // namespace keldra::test
