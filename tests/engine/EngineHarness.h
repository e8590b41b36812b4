#pragma once

#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/platform/MemoryInfo.h"
#include "core/platform/MimeTypes.h"
#include "engine/BackupEngine.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keldra::test {

class FixedMemoryInfo final : public MemoryInfo {
public:
    uint64_t availableMemoryBytes() const override { return bytes; }
    uint64_t bytes = 64ULL << 30;
};

class ExtensionMimeTypes final : public MimeTypes {
public:
    std::string mimeType(const std::filesystem::path& path) const override {
        return path.extension() == ".txt" ? "text/plain" : fallback;
    }
};

// One signed-in account on the local portal with a verifier, a backups folder and a device folder; a home
// folder of its own (HOME points there, so backed-up paths read "~/..."), an index, and an engine whose clock
// and waits are virtual.
class EngineTest : public LocalPortalFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A request for one folder source, ~/Documents, with the default settings.
    RunRequest request() const;
    BackupSource folderSource(const std::string& name, const std::string& id) const;
    RunResult run(const RunRequest& request, const CancelToken& cancel = {});
    RunResult run() { return run(request()); }

    // Writes a file below the home folder with a modification time distinct from any earlier write.
    std::filesystem::path writeHomeFile(const std::string& relative, const std::string& contents);
    std::filesystem::path home() const { return temp_.path() / "home"; }

    // The run's log texts, in order.
    std::vector<std::string> logTexts() const;
    bool logged(const std::string& text) const;
    bool loggedStart(const std::string& prefix) const;
    std::vector<RunProgress> progressEvents() const;
    int storageFullEvents() const;

    // The account's stored files as the portal holds them.
    nlohmann::json storedFiles() const;
    // The opened plain body and path of a stored file record.
    std::string openBody(const nlohmann::json& file) const;
    std::string openName(const nlohmann::json& file) const;

    // Rows for one path of the engine's index.
    std::optional<IndexedFile> fileRow(const std::string& path) { return index_->file(path); }

    // Another engine over the same services (for a second run after a change of services).
    BackupEngine& engine() { return *engine_; }

    static KeldraKey testKey();
    static KeldraKey otherKey();

    std::string email_ = "engine@example.com";
    TempDir temp_;
    std::optional<std::string> savedHome_;
    VirtualClock clock_{SystemClock().now()};
    RecordingSleeper sleeper_{&clock_};
    RecordingLogger logger_;
    ThroughputMeter meter_;
    FixedMemoryInfo memory_;
    ExtensionMimeTypes mimeTypes_;
    std::unique_ptr<KeldraAPI> api_;
    std::unique_ptr<StorageTransport> storage_;
    std::unique_ptr<BackupIndex> index_;
    std::unique_ptr<BackupEngine> engine_;
    const SourceProbe* sourceProbe_ = nullptr;
    const ScanFileSystem* scanFileSystem_ = nullptr;
    FlexID backupsFolder_;
    FlexID deviceFolder_;
    std::vector<EngineEvent> events_;

    // Rebuilds the engine after sourceProbe_ or scanFileSystem_ changed.
    void rebuildEngine();
};

} // namespace keldra::test
