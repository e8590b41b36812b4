#include "app/model/EngineFactory.h"

namespace keldra {

namespace {

struct CloudEngineHolder {
    std::shared_ptr<KeldraAPI> api;
    std::shared_ptr<StorageTransport> storage;
    std::shared_ptr<BackupIndex> index;
    std::shared_ptr<ThroughputMeter> meter;
    BackupEngine engine;
};

struct DriveEngineHolder {
    std::shared_ptr<BackupIndex> history;
    std::shared_ptr<ThroughputMeter> meter;
    LocalBackupEngine engine;
};

struct RestoreEngineHolder {
    std::shared_ptr<KeldraAPI> api;
    std::shared_ptr<StorageTransport> storage;
    RestoreEngine engine;
};

} // namespace

std::shared_ptr<BackupEngine> makeCloudEngine(const AppServices& services, std::shared_ptr<BackupIndex> index,
                                              std::shared_ptr<ThroughputMeter> meter) {
    EngineServices engineServices{
        *services.api,        *services.storage,      *index,          *meter,
        services.clock,       services.sleeper,       services.memory, services.mimeTypes,
        services.sourceProbe, services.scanFileSystem};
    auto holder = std::make_shared<CloudEngineHolder>(CloudEngineHolder{
        services.api, services.storage, std::move(index), std::move(meter), BackupEngine(engineServices)});
    return std::shared_ptr<BackupEngine>(holder, &holder->engine);
}

std::shared_ptr<LocalBackupEngine> makeDriveEngine(const AppServices& services,
                                                   std::shared_ptr<BackupIndex> history,
                                                   std::shared_ptr<ThroughputMeter> meter,
                                                   const DriveFileSystem& realDriveFiles) {
    LocalEngineServices engineServices{*history,
                                       *meter,
                                       services.clock,
                                       services.volumes,
                                       services.driveFileSystem ? *services.driveFileSystem : realDriveFiles,
                                       services.sourceProbe,
                                       services.scanFileSystem};
    auto holder = std::shared_ptr<DriveEngineHolder>(
        new DriveEngineHolder{std::move(history), std::move(meter), LocalBackupEngine(engineServices)});
    return std::shared_ptr<LocalBackupEngine>(holder, &holder->engine);
}

std::shared_ptr<RestoreEngine> makeRestoreEngine(const AppServices& services) {
    auto holder = std::shared_ptr<RestoreEngineHolder>(new RestoreEngineHolder{
        services.api, services.storage,
        RestoreEngine(*services.api, *services.storage, services.sleeper, services.memory)});
    return std::shared_ptr<RestoreEngine>(holder, &holder->engine);
}

} // namespace keldra
