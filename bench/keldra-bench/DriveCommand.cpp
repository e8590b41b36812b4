#include "DriveCommand.h"

#include "BenchOptions.h"
#include "BenchRunOutput.h"
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

namespace {} // namespace

int runDriveCommand(const std::vector<std::string>& arguments) {
    const Stopwatch stopwatch;
    CancelSource cancelSource;
    StopOnSignal stopOnSignal(cancelSource);
    const CancelToken cancel = cancelSource.get_token();

    const std::optional<BenchOptions> options =
        BenchOptions::parse("drive", arguments, {"dest", "passphrase", "source", "state"}, {"trigger"});
    if (!options) {
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
        const LocalRunResult result = engine.run(request, driveIndex, printLogEvent, cancel);

        if (!result.record) {
            return reportNoRun("unavailable", "The drive can't be used.", stopwatch.seconds(), 1);
        }
        const RunRecord& record = *result.record;
        return reportRun(record, stopwatch.seconds());
    } catch (const std::exception& error) {
        return reportError(error, stopwatch.seconds());
    }
}

} // namespace keldra::bench
