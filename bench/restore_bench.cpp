// Restore throughput against a plain download of the same bodies from the same local portal, in one run:
// curl fetches every sealed body (one connection) into files in a folder on the same disk, then the restore
// engine fetches, opens and places every file (temp file, fsync, rename) into an empty folder. The restore
// must reach at least 70% of the plain download rate.
//
// A restore must leave its files on the disk, so the baseline that decides is curl writing the files and
// flushing them (curl -o, then sync of those files). The rates of curl -o without the flush and of curl to
// /dev/null are printed next to it, for reference.
//
//   restore_bench [files, default 200] [MiB per file, default 16]

#include "core/codec/Base64.h"
#include "core/memory/LargeBufferReuse.h"
#include "core/platform/MemoryInfo.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "localportal/PortalServer.h"
#include "restore/engine/RestoreEngine.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"

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
} // namespace

int main(int argc, char** argv) {
    keepLargeBuffersForReuse();
    const int fileCount = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t fileMiB = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 16;
    const std::size_t fileBytes = fileMiB << 20;
    const fs::path work = fs::temp_directory_path() / ("restore-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);

    localportal::PortalOptions options;
    options.dataDir = work / "portal";
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

    // Baselines: the same sealed bodies through curl, to /dev/null and into files on the same disk.
    std::vector<std::string> links;
    for (const auto& item : items) {
        links.push_back(api.requestDownloadURL(item.fileID).downloadUrl);
    }
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

    // Restore: link, download, open, write, fsync, rename.
    RestoreEngine engine(api, storage, sleeper, memory);
    const fs::path target = work / "restored";
    const auto destination = RestoreDestination::folder(target);
    double fetchTime = 0;
    double placeTime = 0;
    for (const auto& item : items) {
        auto start = std::chrono::steady_clock::now();
        const Bytes opened = engine.fetchDecrypted(item, key);
        fetchTime += secondsSince(start);
        start = std::chrono::steady_clock::now();
        RestoreEngine::writeRestored(item, destination, ConflictPolicy::keepBoth, opened);
        placeTime += secondsSince(start);
    }
    const double restoreTime = fetchTime + placeTime;

    // The last file must be exactly what was uploaded.
    std::ifstream last(target / items.back().relativePath, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(last)), std::istreambuf_iterator<char>());
    if (content.size() != plaintext.size() ||
        std::memcmp(content.data(), plaintext.data(), plaintext.size()) != 0) {
        die("the restored file differs from the original");
    }

    server.stop();
    serving.join();
    fs::remove_all(work);

    const double totalMB = static_cast<double>(fileBytes) * fileCount / 1e6;
    const double curlRate = totalMB / curlTime;
    const double restoreRate = totalMB / restoreTime;
    const double ratio = restoreRate / curlRate;
    std::printf("files: %d x %zu MiB (%.0f MB)\n", fileCount, fileMiB, totalMB);
    std::printf("curl to /dev/null:        %8.1f MB/s (%.2f s) ratio restore/this %.2f\n", totalMB / nullTime,
                nullTime, nullTime / restoreTime);
    std::printf("curl -o files:            %8.1f MB/s (%.2f s) ratio restore/this %.2f\n", totalMB / fileTime,
                fileTime, fileTime / restoreTime);
    std::printf("curl -o files, then sync: %8.1f MB/s (%.2f s: sync %.2f s) baseline\n", curlRate, curlTime,
                syncTime);
    std::printf("restore:                  %8.1f MB/s (%.2f s: fetch and open %.2f s, write, fsync and "
                "rename %.2f s)\n",
                restoreRate, restoreTime, fetchTime, placeTime);
    std::printf("ratio restore / (curl -o files, then sync): %.2f (target >= 0.70) %s\n", ratio,
                ratio >= 0.70 ? "PASS" : "FAIL");
    return ratio >= 0.70 ? 0 : 2;
}
