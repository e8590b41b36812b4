#include "DriveCommand.h"

#include "BenchOptions.h"
#include "core/crypto/KeldraKey.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/seams/Logger.h"
#include "drive/run/LocalBackupEngine.h"
#include "platform/volumes/LinuxVolumeProvider.h"

#include <chrono>
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

// SIGINT and SIGTERM stop the run the way the app's Stop button does.
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

void printJson(const nlohmann::json& line) {
    std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

} // namespace

int runDriveCommand(const std::vector<std::string>& arguments) {
    const auto started = std::chrono::steady_clock::now();
    const auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    CancelSource cancelSource;
    StopOnSignal stopOnSignal(cancelSource);
    const CancelToken cancel = cancelSource.get_token();

    std::optional<BenchOptions> options;
    try {
        options.emplace(arguments,
                        std::vector<std::string>{"dest", "passphrase", "source", "state", "trigger"});
        for (const char* name : {"dest", "passphrase", "source", "state"}) {
            options->required(name);
        }
    } catch (const std::invalid_argument& error) {
        std::cerr << "keldra-bench drive: " << error.what() << '\n';
        return 2;
    }

    SystemClock clock;
    StderrLogger logger;
    ThroughputMeter meter;
    LinuxVolumeProvider volumes;
    RealDriveFileSystem driveFiles;
    try {
        const std::filesystem::path dest = std::filesystem::absolute(options->required("dest"));
        std::filesystem::create_directories(dest);
        std::optional<LocalDestination> destination = LocalDestination::fromFolder(dest, volumes, clock);
        if (!destination) {
            throw std::runtime_error("no mounted volume holds " + dest.string());
        }
        destination->id = "bench";
        destination->name = dest.filename().string();

        const std::filesystem::path state = options->required("state");
        BackupIndex history(state, logger);
        history.recoverInterruptedRuns();
        BackupIndex driveIndex(state / "drive", logger);

        const std::string sourcePath =
            standardizedPath(std::filesystem::absolute(options->required("source"))).string();
        BackupSource source;
        source.id = "bench:" + sourcePath;
        source.path = sourcePath;
        source.addedAt = clock.now();

        LocalRunRequest request{.key = KeldraKey::derive(options->required("passphrase")),
                                .settings = BackupSettings::defaults(),
                                .sources = {source},
                                .destination = *destination,
                                .deviceID = "keldra-bench",
                                .deviceName = "keldra-bench",
                                .trigger = options->optional("trigger").value_or("Manual"),
                                .overrideMassChangeGuard = false,
                                .skipRoots = {state.string()}};
        request.settings.setupComplete = true;

        LocalBackupEngine engine(LocalEngineServices{history, meter, clock, volumes, driveFiles});
        const LocalRunResult result = engine.run(
            request, driveIndex,
            [](const EngineEvent& event) {
                if (const auto* log = event.get<EngineEvent::Log>()) {
                    std::cout << toneName(log->line.tone) << ": " << log->line.text << std::endl;
                }
            },
            cancel);

        if (!result.record) {
            printJson({{"status", "unavailable"},
                       {"message", "The drive can't be used."},
                       {"seconds", seconds()},
                       {"peak_memory_bytes", peakMemoryBytes()}});
            return 1;
        }
        const RunRecord& record = *result.record;
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
