#include "CloudCommand.h"

#include "BenchOptions.h"
#include "core/codec/Base64.h"
#include "core/crypto/KeldraKey.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/seams/Logger.h"
#include "core/seams/Sleeper.h"
#include "engine/BackupEngine.h"
#include "platform/memory/ProcMemoryInfo.h"
#include "platform/mime/SharedMimeTypes.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <signal.h>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>

namespace keldra::bench {

namespace {

constexpr const char* backupsFolderName = "Keldra Backups";
constexpr const char* deviceFolderName = "Keldra Backup on keldra-bench";
constexpr const char* verifierText = "cairn-ok-v1";

// Diagnostics of the index and the client go to standard error, so standard output holds only the run.
class StderrLogger final : public Logger {
public:
    void log(std::string_view message) override { std::cerr << "[Keldra] " << message << '\n'; }
};

const char* toneName(LogLine::Tone tone) {
    switch (tone) {
    case LogLine::Tone::info:
        return "info";
    case LogLine::Tone::ok:
        return "ok";
    case LogLine::Tone::warning:
        return "warning";
    case LogLine::Tone::error:
        return "error";
    }
    return "info";
}

std::int64_t peakMemoryBytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

// SIGINT and SIGTERM stop the run the way the app's Stop button does; SIGKILL (the crash test) cannot be
// caught.
class StopOnSignal {
public:
    explicit StopOnSignal(CancelSource& source) {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        watcher_ = std::jthread([this, &source](std::stop_token stop) {
            const timespec tick{0, 200'000'000};
            while (!stop.stop_requested()) {
                if (sigtimedwait(&signals_, nullptr, &tick) > 0) {
                    source.request_stop();
                    return;
                }
            }
        });
    }

private:
    sigset_t signals_{};
    std::jthread watcher_;
};

FlexID findOrCreateFolder(KeldraAPI& api, const std::string& name, const std::optional<FlexID>& parent,
                          const CancelToken& cancel) {
    const KeldraListing listing = api.listFiles(parent, cancel);
    if (listing.folders) {
        for (const KeldraFolder& folder : *listing.folders) {
            const bool sameParent = !parent || !folder.parentId || *folder.parentId == *parent;
            if (folder.name == name && sameParent) {
                return folder.id;
            }
        }
    }
    return api.createFolder(name, parent, cancel).id;
}

void ensureVerifier(KeldraAPI& api, const KeldraKey& key, const CancelToken& cancel) {
    if (api.fetchVerifier(cancel)) {
        return; // the run itself checks it against the key
    }
    const auto [iv, sealed] = key.seal(toBytes(verifierText));
    api.storeVerifier(base64Encode(sealed), base64Encode(iv), cancel);
}

void printJson(const nlohmann::json& line) {
    std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

} // namespace

int runCloudCommand(const std::vector<std::string>& arguments) {
    const auto started = std::chrono::steady_clock::now();
    const auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    CancelSource cancelSource;
    StopOnSignal stopOnSignal(cancelSource);
    const CancelToken cancel = cancelSource.get_token();

    std::optional<BenchOptions> options;
    try {
        options.emplace(arguments, std::vector<std::string>{"portal", "email", "password", "passphrase",
                                                            "source", "state", "trigger"});
        for (const char* name : {"portal", "email", "password", "passphrase", "source", "state"}) {
            options->required(name);
        }
    } catch (const std::invalid_argument& error) {
        std::cerr << "keldra-bench cloud: " << error.what() << '\n';
        return 2;
    }

    SystemClock clock;
    ThreadSleeper sleeper;
    StderrLogger logger;
    ThroughputMeter meter;
    ProcMemoryInfo memory;
    SharedMimeTypes mimeTypes;
    try {
        KeldraAPI api(clock, sleeper, options->required("portal"));
        StorageTransport storage;
        const AuthTokenResponse auth = api.signIn(options->required("email"), options->required("password"),
                                                  "keldra-bench", std::nullopt, cancel);
        api.setToken(auth.token);
        const KeldraKey key = KeldraKey::derive(options->required("passphrase"));
        ensureVerifier(api, key, cancel);
        const FlexID backupsFolder = findOrCreateFolder(api, backupsFolderName, std::nullopt, cancel);
        const FlexID deviceFolder = findOrCreateFolder(api, deviceFolderName, backupsFolder, cancel);

        BackupIndex index(options->required("state"), logger);
        // A run the previous process left "running" was cut short (killed, crashed): say so.
        index.recoverInterruptedRuns();

        const std::string sourcePath =
            standardizedPath(std::filesystem::absolute(options->required("source"))).string();
        BackupSource source;
        source.id = "bench:" + sourcePath;
        source.path = sourcePath;
        source.isFile = false;
        source.addedAt = clock.now();

        RunRequest request{.key = key,
                           .settings = BackupSettings::defaults(),
                           .sources = {source},
                           .deviceFolderID = deviceFolder,
                           .backupsFolderID = backupsFolder,
                           .trigger = options->optional("trigger").value_or("Manual"),
                           .overrideMassChangeGuard = false,
                           .overrideKeldraMismatch = false,
                           .sealedNamesVerified = index.meta(metakey::sealedNamesVerified).has_value(),
                           .skipRoots = {}};
        request.settings.setupComplete = true;

        BackupEngine engine(EngineServices{api, storage, index, meter, clock, sleeper, memory, mimeTypes});
        const RunResult result = engine.run(
            request,
            [](const EngineEvent& event) {
                if (const auto* log = event.get<EngineEvent::Log>()) {
                    std::cout << toneName(log->line.tone) << ": " << log->line.text << std::endl;
                }
            },
            cancel);
        if (result.sealedNamesVerified) {
            index.setMeta(metakey::sealedNamesVerified, "1");
        }

        const RunRecord& record = result.record;
        printJson({{"status", std::string(runStatusRawValue(record.status))},
                   {"message", record.message.value_or("")},
                   {"scanned", record.scanned},
                   {"uploaded", record.uploaded},
                   {"uploaded_bytes", record.uploadedBytes},
                   {"skipped", record.skipped},
                   {"failed", record.failed},
                   {"removed", record.removed},
                   {"seconds", seconds()},
                   {"peak_memory_bytes", peakMemoryBytes()}});
        const bool ended = record.status == RunStatus::succeeded || record.status == RunStatus::partial;
        return ended ? 0 : 1;
    } catch (const std::exception& error) {
        const auto* own = dynamic_cast<const Error*>(&error);
        printJson({{"status", "error"},
                   {"message", own ? own->message() : std::string(error.what())},
                   {"seconds", seconds()},
                   {"peak_memory_bytes", peakMemoryBytes()}});
        return 2;
    }
}

} // namespace keldra::bench
