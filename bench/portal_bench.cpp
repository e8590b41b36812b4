// Local portal throughput: curl (libcurl, one reused connection) PUTs 16 MiB bodies to presigned storage
// links of a portal in benchmark mode (--no-fsync) and GETs them back, next to the same transfers against a
// plain loopback peer that only moves bytes (reads and drops a body, answers one from memory). The peer is
// the ceiling of this machine's loopback; the portal's own cost is the gap.
// The machine is shared, so a single short transfer says little: after an untimed warm-up round (first
// connections, first pages of the portal's storage), each of `--rounds` rounds (default 7) moves `--files`
// bodies (default 64, 1 GiB) each way to the portal and to the peer, the two back to back in an order that
// alternates from round to round, so both meet the same load. Prints, per direction, the median and the
// range (min–max) of the rates in GB/s and of the per-round ratio portal ÷ peer. Every round PUTs to the same
// links, replacing the bodies the round before stored: deleting a round's 1 GiB at once lets this virtual
// machine's host take the freed memory back, and the next round then ran at a third of its rate while it paid
// for fresh pages, a cost of the benchmark's clean-up, not of the portal.
// Usage: portal_bench [--mib N] [--files N] [--rounds N]
#include "bench/BenchBody.h"
#include "bench/BenchPortal.h"
#include "bench/BenchSeries.h"
#include "localportal/PortalServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <httplib.h>
#include <iostream>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// A peer that speaks just enough HTTP/1.1 for curl: PUT bodies are read in 1 MiB pieces and dropped, GET
// answers the body it holds. One connection at a time, kept alive.
class PlainPeer {
public:
    explicit PlainPeer(const std::string& body) : body_(body) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("the plain peer cannot listen");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~PlainPeer() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    std::string url() const { return fmt::format("http://127.0.0.1:{}/body", port_); }

private:
    void serve() {
        while (!stopping_) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            connection(fd);
            ::close(fd);
        }
    }

    void connection(int fd) {
        std::vector<char> buffer(1 << 20);
        std::string pending;
        for (;;) {
            std::size_t end = 0;
            while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
                const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
                if (got <= 0) {
                    return;
                }
                pending.append(buffer.data(), static_cast<std::size_t>(got));
            }
            const std::string head = pending.substr(0, end);
            pending.erase(0, end + 4);
            std::size_t remaining = 0;
            if (const auto at = head.find("Content-Length: "); at != std::string::npos) {
                remaining = std::stoull(head.substr(at + 16));
            }
            const std::size_t buffered = std::min(remaining, pending.size());
            pending.erase(0, buffered);
            remaining -= buffered;
            while (remaining > 0) {
                const ssize_t got = ::recv(fd, buffer.data(), std::min(remaining, buffer.size()), 0);
                if (got <= 0) {
                    return;
                }
                remaining -= static_cast<std::size_t>(got);
            }
            const bool get = head.rfind("GET ", 0) == 0;
            const std::string header =
                fmt::format("HTTP/1.1 200 OK\r\nContent-Length: {}\r\n\r\n", get ? body_.size() : 0);
            if (!sendAll(fd, header.data(), header.size()) ||
                (get && !sendAll(fd, body_.data(), body_.size()))) {
                return;
            }
        }
    }

    static bool sendAll(int fd, const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }

    const std::string& body_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// One libcurl handle, so every transfer of a round reuses one connection, as a client would.
class Curl {
public:
    Curl() : handle_(curl_easy_init()) {}
    ~Curl() { curl_easy_cleanup(handle_); }
    Curl(const Curl&) = delete;
    Curl& operator=(const Curl&) = delete;

    void put(const std::string& url, const std::string& body) {
        curl_easy_reset(handle_);
        upload_ = {body.data(), body.size()};
        curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(handle_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle_, CURLOPT_READFUNCTION, &Curl::read);
        curl_easy_setopt(handle_, CURLOPT_READDATA, &upload_);
        curl_easy_setopt(handle_, CURLOPT_UPLOAD_BUFFERSIZE, 2L << 20);
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Curl::drop);
        const auto code = curl_easy_perform(handle_);
        curl_slist_free_all(headers);
        check(code, "PUT");
    }

    std::size_t get(const std::string& url) {
        curl_easy_reset(handle_);
        received_ = 0;
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_BUFFERSIZE, 512L << 10);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Curl::count);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &received_);
        check(curl_easy_perform(handle_), "GET");
        return received_;
    }

private:
    struct Upload {
        const char* data = nullptr;
        std::size_t left = 0;
    };

    void check(CURLcode code, const char* what) {
        long status = 0;
        curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK || status != 200) {
            throw std::runtime_error(
                fmt::format("{} failed: {} (HTTP {})", what, curl_easy_strerror(code), status));
        }
    }
    static std::size_t read(char* out, std::size_t size, std::size_t count, void* user) {
        auto* upload = static_cast<Upload*>(user);
        const std::size_t n = std::min(size * count, upload->left);
        std::memcpy(out, upload->data, n);
        upload->data += n;
        upload->left -= n;
        return n;
    }
    static std::size_t drop(char*, std::size_t size, std::size_t count, void*) { return size * count; }
    static std::size_t count(char*, std::size_t size, std::size_t count, void* user) {
        *static_cast<std::size_t*>(user) += size * count;
        return size * count;
    }

    CURL* handle_;
    Upload upload_;
    std::size_t received_ = 0;
};

using keldra::bench::Series;

// Both sides of one direction, measured in the same rounds.
struct Direction {
    Series portal, plain, ratio;
    void add(double portalRate, double plainRate) {
        portal.values.push_back(portalRate);
        plain.values.push_back(plainRate);
        ratio.values.push_back(portalRate / plainRate);
    }
    std::string line(const char* name) const {
        return fmt::format("{}  portal {}   plain loopback {}   portal ÷ plain {}", name,
                           portal.line(" GB/s"), plain.line(" GB/s"), ratio.line(""));
    }
};

double gbPerSecond(std::size_t bytes, Clock::time_point start) {
    return static_cast<double>(bytes) / std::chrono::duration<double>(Clock::now() - start).count() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mib = 16;
    int files = 64;
    int rounds = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--mib") {
            mib = std::stoul(argv[i + 1]);
        } else if (arg == "--files") {
            files = std::max(1, std::stoi(argv[i + 1]));
        } else if (arg == "--rounds") {
            rounds = std::max(1, std::stoi(argv[i + 1]));
        }
    }
    const std::size_t size = mib << 20;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    const keldra::bench::BenchPortal portal("keldra-portal-bench");
    const std::filesystem::path& work = portal.work();

    int status = 0;
    try {
        const std::string body = keldra::bench::makeBody<std::string>(size);
        httplib::Client api(portal.baseUrl());
        auto created =
            api.Post("/_control/accounts", json{{"email", "bench@example.com"}, {"quota_bytes", 0}}.dump(),
                     "application/json");
        if (!created || created->status != 201) {
            throw std::runtime_error("cannot create the bench account");
        }
        const httplib::Headers bearer{
            {"Authorization", "Bearer " + json::parse(created->body)["token"].get<std::string>()}};
        auto call = [&](const std::string& path, const json& request) {
            auto result = api.Post(path.c_str(), bearer, request.dump(), "application/json");
            if (!result || result->status / 100 != 2) {
                throw std::runtime_error("portal " + path + " failed");
            }
            return json::parse(result->body)["data"];
        };
        const auto folder = call("/api/keldra/folders", {{"name", "Bench"}, {"parent_id", nullptr}})["id"];

        PlainPeer peer(body);
        // Times the transfers of `count` bodies to one side; the portal's links are made before the clock
        // runs.
        auto timed = [&](int count, const std::function<void(int)>& transfer) {
            const auto start = Clock::now();
            for (int i = 0; i < count; ++i) {
                transfer(i);
            }
            return gbPerSecond(size * static_cast<std::size_t>(count), start);
        };
        // One set of links for every round: each round's PUTs replace the bodies the round before stored, as
        // a store that keeps its size does; the warm-up round stores them first and confirms them.
        std::vector<json> tickets;
        for (int i = 0; i < files; ++i) {
            tickets.push_back(call("/api/keldra/upload-url", {{"filename", "encrypted"},
                                                              {"mime_type", "application/octet-stream"},
                                                              {"size_bytes", size}}));
        }
        std::vector<std::string> links;
        Direction put, get;
        // Round 0 is the warm-up; it is not counted.
        for (int round = 0; round <= rounds; ++round) {
            Curl curl;
            Curl plain;
            const bool portalFirst = round % 2 == 1;
            auto both = [&](const std::function<double()>& portalSide,
                            const std::function<double()>& plainSide) {
                double portalRate = 0;
                double plainRate = 0;
                if (portalFirst) {
                    portalRate = portalSide();
                    plainRate = plainSide();
                } else {
                    plainRate = plainSide();
                    portalRate = portalSide();
                }
                return std::make_pair(portalRate, plainRate);
            };
            const auto puts =
                both([&] { return timed(files, [&](int i) { curl.put(tickets[i]["upload_url"], body); }); },
                     [&] { return timed(files, [&](int) { plain.put(peer.url(), body); }); });

            // Confirmed once: a file stays the same file while its body is replaced.
            if (round == 0) {
                for (const auto& ticket : tickets) {
                    const auto file =
                        call("/api/keldra/upload-confirm", {{"s3_key", ticket["s3_key"]},
                                                            {"original_name", "encrypted-file"},
                                                            {"encrypted_name", "bench"},
                                                            {"mime_type", "application/octet-stream"},
                                                            {"size_bytes", size - 16},
                                                            {"encrypted_size_bytes", size},
                                                            {"encryption_iv", "AAAAAAAAAAAAAAAA"},
                                                            {"checksum_sha256", "0"},
                                                            {"folder_id", folder}})["file"];
                    links.push_back(
                        call("/api/keldra/download-url", {{"file_id", file["id"]}})["download_url"]);
                }
            }
            const auto gets = both(
                [&] {
                    return timed(files, [&](int i) {
                        if (curl.get(links[i]) != size) {
                            throw std::runtime_error("a GET answered a short body");
                        }
                    });
                },
                [&] {
                    return timed(files, [&](int) {
                        if (plain.get(peer.url()) != size) {
                            throw std::runtime_error("the plain peer answered a short body");
                        }
                    });
                });
            if (round > 0) {
                put.add(puts.first, puts.second);
                get.add(gets.first, gets.second);
            }
        }

        std::cout << fmt::format(
            "{} × {} MiB each way per round, {} rounds after a warm-up, portal and plain peer interleaved; "
            "portal in benchmark mode (--no-fsync), data in {}\n",
            files, mib, rounds, work.parent_path().string());
        std::cout << "rates: median (min–max)\n";
        std::cout << put.line("PUT") << "\n";
        std::cout << get.line("GET") << "\n";
        std::cout << fmt::format("slower direction {:.3f} GB/s (target >= 1.500)\n",
                                 std::min(put.portal.median(), get.portal.median()));
    } catch (const std::exception& error) {
        std::cerr << "portal_bench: " << error.what() << "\n";
        status = 1;
    }
    curl_global_cleanup();
    return status;
}
