// Storage transport and local portal throughput: PUT and GET of a 256 MiB body through StorageTransport, next
// to the curl program moving the same body to the same server; and the per-file cost of a small upload.
// The machine is shared and one transfer takes about a tenth of a second, so a single pair says little: after
// an untimed warm-up of both sides, each of `--rounds` rounds (default 7) times one transfer of each side in
// each direction, back to back in an order that alternates from round to round, so both meet the same load.
// Prints the median and range (min–max) of each side's rate and of the per-round ratio transport ÷ curl in
// throughput. Starting the curl program takes 20–60 ms here, a fifth of a transfer, so each round also times
// three curl requests for the portal's small trace and takes the quickest off curl's transfer times.
// Usage: storage_bench [--mib N] [--rounds N] [--small-files N]
#include "bench/BenchBody.h"
#include "bench/BenchPortal.h"
#include "bench/BenchSeries.h"
#include "localportal/PortalServer.h"
#include "service/storage/StorageTransport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <httplib.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

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

using keldra::bench::Series;

// Both sides of one direction, measured in the same rounds, in GB/s.
struct Direction {
    Series transport, curl, ratio;
    void add(double transportRate, double curlRate) {
        transport.values.push_back(transportRate);
        curl.values.push_back(curlRate);
        ratio.values.push_back(transportRate / curlRate);
    }
};

// Times one call, less `overhead` seconds; answers GB/s for `bytes`.
double rateOf(std::size_t bytes, const std::function<void()>& transfer, double overhead = 0) {
    const auto start = Clock::now();
    transfer();
    return static_cast<double>(bytes) / std::max(secondsSince(start) - overhead, 1e-6) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mib = 256;
    int rounds = 7;
    int smallFiles = 500;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--mib") {
            mib = std::stoul(argv[i + 1]);
        } else if (arg == "--rounds") {
            rounds = std::max(1, std::stoi(argv[i + 1]));
        } else if (arg == "--small-files") {
            smallFiles = std::stoi(argv[i + 1]);
        }
    }
    const std::size_t size = mib << 20;

    const keldra::bench::BenchPortal server("keldra-storage-bench");
    const std::filesystem::path& work = server.work();
    const std::string base = server.baseUrl();

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

        Direction put, get;
        const auto out = work / "out.bin";
        // One link for each side in every round: each PUT replaces the body the round before stored, as a
        // store that keeps its size does (deleting bodies between rounds lets this virtual machine's host
        // take the memory back, and the next round pays for fresh pages). The transport's body is confirmed
        // once.
        const auto t = portal.ticket(size);
        const auto c = portal.ticket(size);
        std::string link;
        // Round 0 is the warm-up; it is not counted.
        for (int round = 0; round <= rounds; ++round) {
            auto transportPut = [&] {
                transport.upload(body, t["upload_url"], "application/octet-stream", 0, {});
            };
            auto curlPut = [&] {
                const int status =
                    runCurl(fmt::format("-o /dev/null -T '{}' -H 'Content-Type: application/octet-stream' "
                                        "-H 'Expect:' '{}'",
                                        bodyFile.string(), c["upload_url"].get<std::string>()));
                if (status != 200) {
                    throw std::runtime_error(fmt::format("curl PUT answered {}", status));
                }
            };
            keldra::Bytes fetched;
            auto transportGet = [&] {
                fetched = transport.download(link);
            };
            auto curlGet = [&] {
                const int status = runCurl(fmt::format("-o '{}' '{}'", out.string(), link));
                if (status != 200 || std::filesystem::file_size(out) != size) {
                    throw std::runtime_error(fmt::format("curl GET answered {}", status));
                }
            };
            double curlStart = 1e300;
            for (int i = 0; i < 3; ++i) {
                const auto start = Clock::now();
                if (runCurl("-o /dev/null '" + base + "/cdn-cgi/trace'") != 200) {
                    throw std::runtime_error("curl could not fetch the trace");
                }
                curlStart = std::min(curlStart, secondsSince(start));
            }
            const bool transportFirst = round % 2 == 1;
            auto both = [&](const std::function<void()>& ours, const std::function<void()>& theirs) {
                double oursRate = 0;
                double theirsRate = 0;
                if (transportFirst) {
                    oursRate = rateOf(size, ours);
                    theirsRate = rateOf(size, theirs, curlStart);
                } else {
                    theirsRate = rateOf(size, theirs, curlStart);
                    oursRate = rateOf(size, ours);
                }
                return std::make_pair(oursRate, theirsRate);
            };
            const auto puts = both(transportPut, curlPut);
            if (round == 0) {
                link = portal.downloadUrl(portal.confirm(t, size, folder));
            }
            const auto gets = both(transportGet, curlGet);
            if (fetched != body) {
                throw std::runtime_error("downloaded body differs from the uploaded one");
            }
            std::filesystem::remove(out);
            if (round > 0) {
                put.add(puts.first, puts.second);
                get.add(gets.first, gets.second);
            }
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

        std::cout << fmt::format(
            "body {} MiB, {} rounds after a warm-up, transport and curl interleaved, data in {}\n", mib,
            rounds, work.parent_path().string());
        std::cout << fmt::format("portal in benchmark mode: bodies not flushed, request limit {} per 60 s\n",
                                 keldra::bench::BenchPortal::requestLimit);
        std::cout << "rates: median (min–max); curl's without its start-up\n";
        std::cout << fmt::format("PUT  transport {}   curl -T {}   transport ÷ curl {} (target >= 0.90)\n",
                                 put.transport.line(" GB/s"), put.curl.line(" GB/s"), put.ratio.line(""));
        std::cout << fmt::format("GET  transport {}   curl -o {}   transport ÷ curl {} (target >= 0.90)\n",
                                 get.transport.line(" GB/s"), get.curl.line(" GB/s"), get.ratio.line(""));
        std::cout << fmt::format(
            "local portal moves at least {:.3f} GB/s each way (faster side's median, slower direction; "
            "target >= 1.500)\n",
            std::min(std::max(put.transport.median(), put.curl.median()),
                     std::max(get.transport.median(), get.curl.median())));
        std::cout << fmt::format(
            "small upload (ticket + PUT 1 KiB + confirm): {:.3f} ms per file over {} files\n",
            perFile * 1000.0, smallFiles);
    } catch (const std::exception& error) {
        std::cerr << "storage_bench: " << error.what() << "\n";
        status = 1;
    }
    return status;
}
