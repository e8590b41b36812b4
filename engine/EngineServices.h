#pragma once

#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/platform/MemoryInfo.h"
#include "core/platform/MimeTypes.h"
#include "core/scan/ScanFileSystem.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "core/settings/SourceProbe.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"

namespace keldra {

// The long-lived services a cloud run works with; all outlive the engine.
struct EngineServices {
    KeldraAPI& api;
    StorageTransport& storage;
    BackupIndex& index;
    ThroughputMeter& meter;
    const Clock& clock;
    Sleeper& sleeper;
    const MemoryInfo& memory;
    const MimeTypes& mimeTypes;
    // Null: the real file system.
    const SourceProbe* sourceProbe = nullptr;
    const ScanFileSystem* scanFileSystem = nullptr;
};

} // namespace keldra
