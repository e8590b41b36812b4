// Restore throughput against a plain download of the same bodies from the same local portal, in one run:
// curl fetches every sealed body (one connection) into files in a folder, then the restore loop the
// application runs (runRestorePlan: link, download, open, write, flush, rename) restores every file into an
// empty folder on the same disk. Both run once per round; the figures are the median and the spread of the
// rounds.
//
// A restore must leave its files on the disk, so the baseline that decides is curl writing the files and
// flushing them (curl -o, then sync of those files). The ratio is our time divided by curl's (lower is
// better; target <= 0.70). curl to /dev/null is printed next to it, for reference.
//
// Each round also prints where the restore's time went: the run's own thread (waiting for the next item,
// flushing the written files, moving them into place, flushing their folders) and the preparing threads
// (added up: waiting for their turn to ask, from asking for a link to the body's first bytes, then receiving,
// opening and writing the body).
//
// Rounds are a minute apart, which the client's portal request limit needs (see the loop), so three rounds
// take a few minutes. The portal keeps its stored bodies in /dev/shm when there is one, so the disk under
// test holds only what curl and the restore write, and neither side pays for the portal's reads.
//
//   restore_bench [files, default 200] [MiB per file, default 16] [rounds, default 3]

#include "core/codec/Base64.h"
#include "core/memory/LargeBufferReuse.h"
#include "core/platform/MemoryInfo.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "localportal/PortalServer.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/RestorePrefetch.h"
#include "restore/engine/RestoreRun.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <openssl/rand.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace keldra;
namespace fs = std::filesystem;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class PlentyOfMemory final : public MemoryInfo {
public:
    std::uint64_t availableMemoryBytes() const override { return 1ULL << 40; }
};

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "restore_bench: %s\n", message.c_str());
    std::exit(1);
}

std::string createAccountToken(const std::string& baseUrl) {
    httplib::Client client(baseUrl);
    const auto answer =
        client.Post("/_control/accounts", R"({"email":"bench@example.com"})", "application/json");
    if (!answer || answer->status != 201) {
        die("the local portal did not create the account");
    }
    return nlohmann::json::parse(answer->body).at("token").get<std::string>();
}

// Runs a program to its end; its wall time.
double runSeconds(const std::vector<std::string>& arguments, const char* name) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double elapsed = secondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        die(std::string(name) + " failed");
    }
    return elapsed;
}

// Runs curl once over every link, so it keeps one connection like the engine does; each body goes to
// outputs[i] (a file, or /dev/null).
double curlSeconds(const std::vector<std::string>& links, const std::vector<std::string>& outputs,
                   const fs::path& config) {
    {
        std::ofstream out(config);
        for (std::size_t i = 0; i < links.size(); ++i) {
            out << "url = \"" << links[i] << "\"\noutput = \"" << outputs[i] << "\"\n";
        }
    }
    return runSeconds({"curl", "--silent", "--show-error", "--fail", "--config", config.string()}, "curl");
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// "median (min-max)" of the rounds.
std::string spreadText(const std::vector<double>& values, const char* format) {
    char median_[32];
    char low[32];
    char high[32];
    std::snprintf(median_, sizeof median_, format, median(values));
    std::snprintf(low, sizeof low, format, *std::min_element(values.begin(), values.end()));
    std::snprintf(high, sizeof high, format, *std::max_element(values.begin(), values.end()));
    return std::string(median_) + " (" + low + "-" + high + ")";
}

// Starts the kernel's peak resident size of this process afresh (Linux: 5 to clear_refs).
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A line of /proc/self/status in MiB: "VmHWM" (the peak resident size since the last reset) or "VmRSS";
// 0 when unknown.
double statusMiB(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':') {
            return std::atof(line.c_str() + field.size() + 1) / 1024;
        }
    }
    return 0;
}

bool sameContent(const fs::path& file, const Bytes& expected) {
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content.size() == expected.size() &&
           std::memcmp(content.data(), expected.data(), expected.size()) == 0;
}
} // namespace

int main(int argc, char** argv) {
    keepLargeBuffersForReuse();
    const int fileCount = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t fileMiB = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 16;
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 3);
    const std::size_t fileBytes = fileMiB << 20;
    const std::string name = "restore-bench-" + std::to_string(::getpid());
    const fs::path work = fs::temp_directory_path() / name;
    const fs::path portalData = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") / name : work / "portal";
    fs::create_directories(work);

    localportal::PortalOptions options;
    options.dataDir = portalData;
    localportal::PortalServer server(options);
    server.bind();
    std::thread serving([&] { server.run(); });

    SystemClock clock;
    ThreadSleeper sleeper;
    KeldraAPI api(clock, sleeper, server.baseUrl());
    api.setToken(createAccountToken(server.baseUrl()));
    StorageTransport storage(clock, sleeper);
    PlentyOfMemory memory;
    SymmetricKey keyBytes{};
    RAND_bytes(keyBytes.data(), static_cast<int>(keyBytes.size()));
    const KeldraKey key(keyBytes);

    // Upload the files through the real upload path.
    const FlexID folder = api.createFolder("Bench", std::nullopt).id;
    Bytes plaintext(fileBytes);
    RAND_bytes(plaintext.data(), static_cast<int>(plaintext.size()));
    std::vector<RestoreItem> items;
    for (int i = 0; i < fileCount; ++i) {
        std::memcpy(plaintext.data(), &i, sizeof i); // every body differs
        const auto [iv, sealed] = key.seal(plaintext);
        const auto ticket =
            api.requestUploadURL("application/octet-stream", static_cast<std::int64_t>(sealed.size()));
        storage.upload(sealed, ticket.uploadUrl, ticket.contentType.value_or("application/octet-stream"), 0,
                       [](std::int64_t) {});
        const std::string path = "~/bench/file-" + std::to_string(i) + ".bin";
        KeldraAPI::ConfirmRequest confirm;
        confirm.s3Key = ticket.s3Key;
        confirm.encryptedName = key.sealName(path);
        confirm.mimeType = "application/octet-stream";
        confirm.sizeBytes = static_cast<std::int64_t>(plaintext.size());
        confirm.encryptedSizeBytes = static_cast<std::int64_t>(sealed.size());
        confirm.encryptionIV = base64Encode(iv);
        confirm.keyedChecksum = keyedChecksumHex(key.checksumKey(), plaintext.data(), plaintext.size());
        confirm.folderId = folder;
        const auto confirmed = api.confirmUpload(confirm);
        items.push_back(RestoreItem{confirmed.file.id, path, static_cast<std::int64_t>(plaintext.size()),
                                    "file-" + std::to_string(i) + ".bin", base64Encode(iv)});
    }
    std::vector<std::string> links;
    for (const auto& item : items) {
        links.push_back(api.requestDownloadURL(item.fileID).downloadUrl);
    }
    const double totalMB = static_cast<double>(fileBytes) * fileCount / 1e6;
    std::printf("files: %d x %zu MiB (%.0f MB), %d rounds\n", fileCount, fileMiB, totalMB, rounds);

    RestoreEngine engine(api, storage, sleeper, memory);
    auto quietFrom = std::chrono::steady_clock::now() + std::chrono::seconds(61);
    std::vector<double> nullTimes;
    std::vector<double> curlTimes;
    std::vector<double> restoreTimes;
    std::vector<double> ratios;
    // Per stage, each round's seconds.
    struct Stage {
        const char* name;
        std::atomic<std::int64_t> RestoreStageTimes::*field;
        std::vector<double> seconds;
    };
    std::vector<Stage> runStages = {
        {"waiting for the next item", &RestoreStageTimes::waitingForItems, {}},
        {"flushing files", &RestoreStageTimes::flushingFiles, {}},
        {"moving files into place", &RestoreStageTimes::placingFiles, {}},
        {"flushing folders", &RestoreStageTimes::flushingFolders, {}},
    };
    std::vector<Stage> preparingStages = {
        {"waiting for the turn to ask", &RestoreStageTimes::waitingForTurn, {}},
        {"link to first body bytes", &RestoreStageTimes::askingForBodies, {}},
        {"receiving, opening, writing bodies", &RestoreStageTimes::receivingBodies, {}},
    };
    std::vector<double> otherTimes;
    double peakMiB = 0;
    double addedMiB = 0;
    for (int round = 1; round <= rounds; ++round) {
        // Baselines: the same sealed bodies through curl, to /dev/null and into files, then flushed.
        const double nullTime =
            curlSeconds(links, std::vector<std::string>(links.size(), "/dev/null"), work / "null.curl");
        const fs::path downloads = work / "downloaded";
        fs::create_directories(downloads);
        std::vector<std::string> outputs;
        for (std::size_t i = 0; i < links.size(); ++i) {
            outputs.push_back((downloads / ("body-" + std::to_string(i))).string());
        }
        const double fileTime = curlSeconds(links, outputs, work / "files.curl");
        std::vector<std::string> syncArguments{"sync", "--data", "--"};
        syncArguments.insert(syncArguments.end(), outputs.begin(), outputs.end());
        const double syncTime = runSeconds(syncArguments, "sync");
        const double curlTime = fileTime + syncTime;
        fs::remove_all(downloads);

        // Restore, as the application runs it. Each restore asks the portal for one link per file, and the
        // client admits 590 portal requests a minute: the run starts a minute after the portal's last
        // burst (the set-up, or the round before), so no round measures the limiter's wait.
        std::this_thread::sleep_until(quietFrom);
        const fs::path target = work / "restored";
        RestorePlan plan{.items = items, .destination = RestoreDestination::folder(target), .key = key};
        resetPeakMemory();
        const double startMiB = statusMiB("VmRSS");
        RestoreStageTimes stageTimes;
        const auto start = std::chrono::steady_clock::now();
        const RestoreSummary summary = runRestorePlan(engine, plan, {}, {}, &stageTimes);
        const double restoreTime = secondsSince(start);
        quietFrom = std::chrono::steady_clock::now() + std::chrono::seconds(61);
        peakMiB = std::max(peakMiB, statusMiB("VmHWM"));
        addedMiB = std::max(addedMiB, statusMiB("VmHWM") - startMiB);
        if (summary.restored != fileCount || !summary.failures.empty()) {
            die("the restore did not restore every file" +
                (summary.failures.empty() ? std::string() : ": " + summary.failures.front().reason));
        }
        // The last file must be exactly what was uploaded.
        if (!sameContent(target / items.back().relativePath, plaintext)) {
            die("the restored file differs from the original");
        }
        fs::remove_all(target);

        nullTimes.push_back(nullTime);
        curlTimes.push_back(curlTime);
        restoreTimes.push_back(restoreTime);
        ratios.push_back(restoreTime / curlTime);
        std::printf("round %d: curl to /dev/null %.2f s, curl -o files %.2f s + sync %.2f s = %.2f s, "
                    "restore %.2f s, ratio %.2f\n",
                    round, nullTime, fileTime, syncTime, curlTime, restoreTime, ratios.back());
        double accounted = 0;
        std::printf("  restore's own thread:");
        for (Stage& stage : runStages) {
            stage.seconds.push_back(RestoreStageTimes::seconds(stageTimes.*stage.field));
            accounted += stage.seconds.back();
            std::printf(" %s %.2f s,", stage.name, stage.seconds.back());
        }
        otherTimes.push_back(restoreTime - accounted);
        std::printf(" the rest %.2f s\n  preparing threads (%zu, added up):", otherTimes.back(),
                    RestorePrefetch::defaultWorkers);
        for (Stage& stage : preparingStages) {
            stage.seconds.push_back(RestoreStageTimes::seconds(stageTimes.*stage.field));
            std::printf(" %s %.2f s%s", stage.name, stage.seconds.back(),
                        &stage == &preparingStages.back() ? "\n" : ",");
        }
        std::fflush(stdout);
    }

    server.stop();
    serving.join();
    fs::remove_all(work);
    fs::remove_all(portalData);

    const double ratio = median(ratios);
    std::printf("peak memory while restoring: %.0f MiB, %.0f MiB more than before it started (this process, "
                "the local portal serving the bodies included; target <= 2 x %zu MiB + 100 MiB)\n",
                peakMiB, addedMiB, fileMiB);
    std::printf("curl to /dev/null:        %s s\n", spreadText(nullTimes, "%.2f").c_str());
    std::printf("curl -o files, then sync: %s s (baseline, %.1f MB/s)\n",
                spreadText(curlTimes, "%.2f").c_str(), totalMB / median(curlTimes));
    std::printf("restore:                  %s s (%.1f MB/s)\n", spreadText(restoreTimes, "%.2f").c_str(),
                totalMB / median(restoreTimes));
    std::printf("where the restore's time went (median of the rounds):\n  its own thread:\n");
    for (const Stage& stage : runStages) {
        std::printf("    %-36s %s s\n", stage.name, spreadText(stage.seconds, "%.2f").c_str());
    }
    std::printf("    %-36s %s s\n", "the rest (progress, taking items)",
                spreadText(otherTimes, "%.2f").c_str());
    std::printf("  its %zu preparing threads, added up:\n", RestorePrefetch::defaultWorkers);
    for (const Stage& stage : preparingStages) {
        std::printf("    %-36s %s s\n", stage.name, spreadText(stage.seconds, "%.2f").c_str());
    }
    std::printf("ratio restore time / (curl -o files, then sync) time: %s (target <= 0.70) %s\n",
                spreadText(ratios, "%.2f").c_str(), ratio <= 0.70 ? "PASS" : "FAIL");
    return ratio <= 0.70 ? 0 : 2;
}
