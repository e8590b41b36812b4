#pragma once

#include "app/model/AppServices.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "drive/run/LocalBackupEngine.h"
#include "engine/BackupEngine.h"
#include "restore/engine/RestoreEngine.h"

#include <memory>

namespace keldra {

// The engines hold their services by reference; these keep what they use (client, transport, index, meter)
// alive for as long as anybody, a worker job included, holds the engine.
std::shared_ptr<BackupEngine> makeCloudEngine(const AppServices& services, std::shared_ptr<BackupIndex> index,
                                              std::shared_ptr<ThroughputMeter> meter);
std::shared_ptr<LocalBackupEngine> makeDriveEngine(const AppServices& services,
                                                   std::shared_ptr<BackupIndex> history,
                                                   std::shared_ptr<ThroughputMeter> meter,
                                                   const DriveFileSystem& realDriveFiles);
std::shared_ptr<RestoreEngine> makeRestoreEngine(const AppServices& services);

} // namespace keldra
