#include "CloudCommand.h"

#include "BenchOptions.h"
#include "BenchRunOutput.h"
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

} // namespace

int runCloudCommand(const std::vector<std::string>& arguments) {
    const Stopwatch stopwatch;
    CancelSource cancelSource;
    StopOnSignal stopOnSignal(cancelSource);
    const CancelToken cancel = cancelSource.get_token();

    const std::optional<BenchOptions> options = BenchOptions::parse(
        "cloud", arguments, {"portal", "email", "password", "passphrase", "source", "state"},
        {"trigger", "request-limit"});
    if (!options) {
        return 2;
    }
    // Only for preparing a large tree on a local portal started with the same raised --request-limit.
    int requestLimit = RateLimiter::defaultLimit;
    if (const std::optional<std::string> limit = options->optional("request-limit")) {
        try {
            requestLimit = std::stoi(*limit);
        } catch (const std::exception&) {
            requestLimit = 0;
        }
        if (requestLimit < 1) {
            std::cerr << "keldra-bench cloud: --request-limit needs a positive number\n";
            return 2;
        }
    }

    SystemClock clock;
    ThreadSleeper sleeper;
    StderrLogger logger;
    ThroughputMeter meter;
    ProcMemoryInfo memory;
    SharedMimeTypes mimeTypes;
    try {
        KeldraAPI api(clock, sleeper, options->required("portal"), requestLimit);
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
        const RunResult result = engine.run(request, printLogEvent, cancel);
        if (result.sealedNamesVerified) {
            index.setMeta(metakey::sealedNamesVerified, "1");
        }

        const RunRecord& record = result.record;
        return reportRun(record, stopwatch.seconds());
    } catch (const std::exception& error) {
        return reportError(error, stopwatch.seconds());
    }
}

} // namespace keldra::bench
