#pragma once

#include "app/async/Timers.h"
#include "core/platform/DeviceIdentity.h"
#include "core/platform/FileRevealer.h"
#include "core/platform/FolderChooser.h"
#include "core/platform/LaunchContext.h"
#include "core/platform/LoginItem.h"
#include "core/platform/MemoryInfo.h"
#include "core/platform/MimeTypes.h"
#include "core/platform/NetworkMonitor.h"
#include "core/platform/Notifier.h"
#include "core/platform/PowerSource.h"
#include "core/platform/SleepWatcher.h"
#include "core/platform/UrlOpener.h"
#include "core/platform/VolumeWatcher.h"
#include "core/scan/ScanFileSystem.h"
#include "core/seams/Clock.h"
#include "core/seams/KeyValueStore.h"
#include "core/seams/Logger.h"
#include "core/seams/Sleeper.h"
#include "core/seams/XdgPaths.h"
#include "core/secrets/SecretStore.h"
#include "core/settings/DeviceName.h"
#include "core/settings/SourceProbe.h"
#include "drive/destination/VolumeProvider.h"
#include "drive/run/DriveFileSystem.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"

#include <filesystem>
#include <memory>

namespace keldra {

// Everything the application model works with, handed in once: the real services in the application,
// doubles in tests. Every referenced service must outlive the model. The portal client and the storage
// transport are shared with the worker jobs that use them.
struct AppServices {
    const Clock& clock;
    Sleeper& sleeper;
    Logger& logger;
    // The user defaults: preferences, settings, sources, destinations, country rules.
    KeyValueStore& defaults;
    // The keyring: the portal session and the key for unattended backups.
    SecretStore& secrets;
    // The portal client and storage transport, made for the portal base URL.
    std::shared_ptr<KeldraAPI> api;
    std::shared_ptr<StorageTransport> storage;
    const MemoryInfo& memory;
    const MimeTypes& mimeTypes;
    const VolumeProvider& volumes;
    NetworkMonitor& network;
    const PowerSource& power;
    Notifier& notifier;
    LoginItem& loginItem;
    const DeviceIdentity& deviceIdentity;
    Timers& timers;
    SleepWatcher& sleepWatcher;
    VolumeWatcher& volumeWatcher;
    UrlOpener& urlOpener;
    FileRevealer& fileRevealer;
    FolderChooser& folderChooser;
    const LaunchContext& launchContext;
    // Where the computer's model and name are read from.
    ComputerNameSources computerNames = {};
    // The per-account folders (the index, the drive indexes) live below this one.
    std::filesystem::path dataDirectory = appDataDirectory();
    // File-system fault seams; null means the real file system.
    const SourceProbe* sourceProbe = nullptr;
    const ScanFileSystem* scanFileSystem = nullptr;
    const DriveFileSystem* driveFileSystem = nullptr;
    // Threads for blocking work; 0 gives one per core.
    int workerThreads = 0;
};

} // namespace keldra
