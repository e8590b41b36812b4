// Storage transport and local portal throughput: PUT and GET of a 256 MiB body through StorageTransport, next
// to curl moving the same body to the same server in the same run; and the per-file cost of a small upload.
// Usage: storage_bench [--mib N] [--rounds N] [--small-files N]
#include "bench/BenchBody.h"
#include "bench/BenchPortal.h"
#include "localportal/PortalServer.h"
#include "service/storage/StorageTransport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <httplib.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Portal {
public:
    Portal(const std::string& baseUrl, const std::string& token) : client_(baseUrl), token_(token) {
        client_.set_read_timeout(120, 0);
    }

    json call(const std::string& path, const json& body) {
        auto result = client_.Post(path.c_str(), {{"Authorization", "Bearer " + token_}}, body.dump(),
                                   "application/json");
        if (!result || result->status / 100 != 2) {
            throw std::runtime_error("portal " + path + " failed: " + (result ? result->body : "no answer"));
        }
        return json::parse(result->body);
    }

    json ticket(std::size_t size) {
        return call("/api/keldra/upload-url", {{"filename", "encrypted"},
                                               {"mime_type", "application/octet-stream"},
                                               {"size_bytes", size}})["data"];
    }

    std::int64_t confirm(const json& ticket, std::size_t size, std::int64_t folder) {
        return call("/api/keldra/upload-confirm", {{"s3_key", ticket["s3_key"]},
                                                   {"original_name", "encrypted-file"},
                                                   {"encrypted_name", "bench"},
                                                   {"mime_type", "application/octet-stream"},
                                                   {"size_bytes", size - 16},
                                                   {"encrypted_size_bytes", size},
                                                   {"encryption_iv", "AAAAAAAAAAAAAAAA"},
                                                   {"checksum_sha256", "0"},
                                                   {"folder_id", folder}})["data"]["file"]["id"]
            .get<std::int64_t>();
    }

    std::string downloadUrl(std::int64_t id) {
        return call("/api/keldra/download-url", {{"file_id", id}})["data"]["download_url"];
    }

private:
    httplib::Client client_;
    std::string token_;
};

// Runs curl and answers the HTTP status it reports.
int runCurl(const std::string& arguments) {
    const std::string command = "curl -s -S -w '%{http_code}' " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run curl");
    }
    char output[64] = {};
    const std::size_t got = std::fread(output, 1, sizeof output - 1, pipe);
    ::pclose(pipe);
    return std::atoi(std::string(output, got).c_str());
}

struct Best {
    double seconds = 1e300;
    void add(double s) { seconds = std::min(seconds, s); }
    double rate(std::size_t bytes) const { return static_cast<double>(bytes) / seconds; }
};

} // namespace

int main(int argc, char** argv) {
    std::size_t mib = 256;
    int rounds = 3;
    int smallFiles = 500;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--mib") {
            mib = std::stoul(argv[i + 1]);
        } else if (arg == "--rounds") {
            rounds = std::stoi(argv[i + 1]);
        } else if (arg == "--small-files") {
            smallFiles = std::stoi(argv[i + 1]);
        }
    }
    const std::size_t size = mib << 20;

    const keldra::bench::BenchPortal portal("keldra-storage-bench");
    const std::filesystem::path& work = portal.work();
    const std::string base = portal.baseUrl();

    int status = 0;
    try {
        httplib::Client control(base);
        auto created =
            control.Post("/_control/accounts",
                         json{{"email", "bench@example.com"}, {"quota_bytes", 0}}.dump(), "application/json");
        if (!created || created->status != 201) {
            throw std::runtime_error("cannot create the bench account");
        }
        Portal portal(base, json::parse(created->body)["token"].get<std::string>());
        const auto folder =
            portal.call("/api/keldra/folders", {{"name", "Bench"}, {"parent_id", nullptr}})["data"]["id"]
                .get<std::int64_t>();

        const keldra::Bytes body = keldra::bench::makeBody<keldra::Bytes>(size);
        const auto bodyFile = work / "body.bin";
        std::ofstream(bodyFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
        keldra::StorageTransport transport;

        Best transportPut, curlPut, transportGet, curlGet;
        for (int round = 0; round < rounds; ++round) {
            const auto t = portal.ticket(size);
            auto start = Clock::now();
            transport.upload(body, t["upload_url"], "application/octet-stream", 0, {});
            transportPut.add(secondsSince(start));

            const auto c = portal.ticket(size);
            start = Clock::now();
            const int putStatus =
                runCurl(fmt::format("-o /dev/null -T '{}' -H 'Content-Type: application/octet-stream' "
                                    "-H 'Expect:' '{}'",
                                    bodyFile.string(), c["upload_url"].get<std::string>()));
            curlPut.add(secondsSince(start));
            if (putStatus != 200) {
                throw std::runtime_error(fmt::format("curl PUT answered {}", putStatus));
            }

            const std::string link = portal.downloadUrl(portal.confirm(t, size, folder));
            start = Clock::now();
            const keldra::Bytes fetched = transport.download(link);
            transportGet.add(secondsSince(start));
            if (fetched != body) {
                throw std::runtime_error("downloaded body differs from the uploaded one");
            }

            const auto out = work / "out.bin";
            start = Clock::now();
            const int getStatus = runCurl(fmt::format("-o '{}' '{}'", out.string(), link));
            curlGet.add(secondsSince(start));
            if (getStatus != 200 || std::filesystem::file_size(out) != size) {
                throw std::runtime_error(fmt::format("curl GET answered {}", getStatus));
            }
            std::filesystem::remove(out);
        }

        // Per-file cost of the portal's bookkeeping: ticket, PUT of 1 KiB, confirmation.
        const keldra::Bytes small = keldra::bench::makeBody<keldra::Bytes>(1024);
        auto start = Clock::now();
        for (int i = 0; i < smallFiles; ++i) {
            const auto t = portal.ticket(small.size());
            transport.upload(small, t["upload_url"], "application/octet-stream", 0, {});
            portal.confirm(t, small.size(), folder);
        }
        const double perFile = secondsSince(start) / std::max(1, smallFiles);

        const double gb = 1e9;
        const double putRatio = transportPut.rate(size) / curlPut.rate(size);
        const double getRatio = transportGet.rate(size) / curlGet.rate(size);
        const double portalRate = std::min(std::max(transportPut.rate(size), curlPut.rate(size)),
                                           std::max(transportGet.rate(size), curlGet.rate(size)));
        std::cout << fmt::format("body {} MiB, best of {} rounds, data in {}\n", mib, rounds,
                                 work.parent_path().string());
        std::cout << fmt::format("portal in benchmark mode: bodies not flushed, request limit {} per 60 s\n",
                                 keldra::bench::BenchPortal::requestLimit);
        std::cout << fmt::format(
            "PUT  transport {:7.3f} GB/s   curl -T {:7.3f} GB/s   ratio {:.2f} (target >= 0.90)\n",
            transportPut.rate(size) / gb, curlPut.rate(size) / gb, putRatio);
        std::cout << fmt::format(
            "GET  transport {:7.3f} GB/s   curl -o {:7.3f} GB/s   ratio {:.2f} (target >= 0.90)\n",
            transportGet.rate(size) / gb, curlGet.rate(size) / gb, getRatio);
        std::cout << fmt::format("local portal moves at least {:.3f} GB/s each way (target >= 1.500)\n",
                                 portalRate / gb);
        std::cout << fmt::format(
            "small upload (ticket + PUT 1 KiB + confirm): {:.3f} ms per file over {} files\n",
            perFile * 1000.0, smallFiles);
    } catch (const std::exception& error) {
        std::cerr << "storage_bench: " << error.what() << "\n";
        status = 1;
    }
    return status;
}
