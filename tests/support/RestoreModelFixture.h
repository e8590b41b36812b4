#pragma once

// A restore model over real backups: a temporary home backed up by the real cloud engine to the local
// portal and by the real drive engine to a folder standing in for a drive, browsed through the model on a
// Qt event loop.

#include "app/async/Workers.h"
#include "app/model/RestoreModel.h"
#include "core/codec/Base64.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/platform/MemoryInfo.h"
#include "core/platform/MimeTypes.h"
#include "core/seams/Logger.h"
#include "drive/run/DriveFileSystem.h"
#include "drive/run/LocalBackupEngine.h"
#include "engine/BackupEngine.h"
#include "restore/engine/RestoreEngine.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FakeVolumeProvider.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <thread>

namespace keldra::test {

namespace fs = std::filesystem;

class PlentyOfMemory final : public MemoryInfo {
public:
    std::uint64_t availableMemoryBytes() const override { return 64ULL << 30; }
};

class OctetMimeTypes final : public MimeTypes {
public:
    std::string mimeType(const fs::path&) const override { return "application/octet-stream"; }
};

// Counts one signal of the model.
class SignalCount {
public:
    SignalCount(RestoreModel* model, void (RestoreModel::*signal)()) {
        QObject::connect(model, signal, [count = count_] { ++*count; });
    }
    int count() const { return *count_; }

private:
    std::shared_ptr<int> count_ = std::make_shared<int>(0);
};

class RestoreModelTest : public LocalPortalFixture {
protected:
    static void SetUpTestSuite() {
        LocalPortalFixture::SetUpTestSuite();
        qtApp();
    }

    void SetUp() override {
        LocalPortalFixture::SetUp();
        if (const char* existing = std::getenv("HOME")) {
            savedHome_ = existing;
        }
        fs::create_directories(home() / "Documents");
        setenv("HOME", home().c_str(), 1);

        const nlohmann::json account = control().createAccount({{"email", "restore@example.com"}});
        api_ = std::make_shared<KeldraAPI>(clock_, sleeper_, baseUrl());
        api_->setToken(account.at("token").get<std::string>());
        engine_ = std::make_shared<RestoreEngine>(*api_, storage_, sleeper_, memory_);
        const auto [iv, sealed] = key().seal(toBytes("cairn-ok-v1"));
        api_->storeVerifier(base64Encode(sealed), base64Encode(iv));
        backupsFolder_ = api_->createFolder("Backups", std::nullopt).id;
        deviceFolder_ = api_->createFolder("This computer", backupsFolder_).id;

        fs::create_directories(driveMount());
        volumes_->mount(MountedVolume{driveMount(), "UUID-STUDIO", "Studio", false});
        studio_.id = "DEST-STUDIO";
        studio_.name = "Studio";
        studio_.volumeUUID = "UUID-STUDIO";
        studio_.volumePathAtAdd = driveMount().string();
        studio_.addedAt = clock_.now();

        model_ = std::make_unique<RestoreModel>(workers_, chooser_, revealer_);
    }

    void TearDown() override {
        model_.reset();
        drain();
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }

    static KeldraKey key() {
        SymmetricKey bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(3 + i);
        }
        return KeldraKey(bytes);
    }

    fs::path home() const { return temp_ / "home"; }
    fs::path driveMount() const { return temp_ / "studio"; }
    fs::path driveRoot() const { return driveMount() / "Orlivane Keldra Backup"; }
    fs::path driveDevice() const { return driveRoot() / "devices" / "mac-mini"; }

    fs::path writeHome(const std::string& relative, const std::string& contents) {
        writeFile(home() / relative, contents);
        // A whole second of its own for every write, so a rewrite is always seen as a change.
        static std::int64_t second = 1'600'000'000;
        second += 10;
        const fs::file_time_type stamp =
            fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(second)));
        fs::last_write_time(home() / relative, stamp);
        return home() / relative;
    }

    BackupSource documentsSource() const {
        BackupSource source;
        source.id = "docs";
        source.path = (home() / "Documents").string();
        source.addedAt = clock_.now();
        return source;
    }

    // One cloud backup of ~/Documents into this computer's device folder.
    void backUpToKeldra() {
        BackupEngine engine(
            EngineServices{*api_, storage_, index_, meter_, clock_, sleeper_, memory_, mimeTypes_});
        const RunResult result = engine.run(RunRequest{.key = key(),
                                                       .settings = BackupSettings::defaults(),
                                                       .sources = {documentsSource()},
                                                       .deviceFolderID = deviceFolder_,
                                                       .backupsFolderID = backupsFolder_,
                                                       .trigger = "Manual",
                                                       .overrideMassChangeGuard = false,
                                                       .overrideKeldraMismatch = false,
                                                       .sealedNamesVerified = false,
                                                       .skipRoots = {}},
                                            [](const EngineEvent&) {});
        ASSERT_EQ(result.outcome, RunOutcome::completed()) << "cloud backup failed";
    }

    // One drive backup of ~/Documents to the Studio drive, as the device "mac-mini".
    void backUpToDrive(const std::string& deviceName = "Mac mini") {
        LocalBackupEngine engine(LocalEngineServices{index_, meter_, clock_, *volumes_, driveFiles_});
        BackupSettings settings = BackupSettings::defaults();
        const LocalRunResult result = engine.run(
            LocalRunRequest{
                key(), settings, {documentsSource()}, studio_, "mac-mini", deviceName, "Manual", false, {}},
            driveIndex_, [](const EngineEvent&) {});
        ASSERT_EQ(result.outcome, LocalOutcome::completed()) << "drive backup failed";
    }

    RestoreContext context() const {
        RestoreContext context;
        context.key = key();
        context.api = api_;
        context.engine = engine_;
        context.destinations = {studio_};
        context.deviceFolderID = deviceFolder_.raw;
        context.volumes = volumes_.get();
        context.clock = &clock_;
        return context;
    }

    // Runs the event loop until the task ends.
    template <class T> T wait(QCoro::Task<T> task) { return QCoro::waitFor(std::move(task)); }
    void wait(QCoro::Task<> task) { QCoro::waitFor(std::move(task)); }

    bool waitUntil(const std::function<bool()>& done) { return runUntil(done, std::chrono::seconds(60)); }
    void drain() { drainEvents(); }

    void load(bool force = true) { wait(model_->load(context(), force)); }

    // The node with this id anywhere in the model's tree.
    RestoreNodePtr node(const std::string& id) const {
        std::function<RestoreNodePtr(const std::vector<RestoreNodePtr>&)> find =
            [&](const std::vector<RestoreNodePtr>& nodes) -> RestoreNodePtr {
            for (const auto& candidate : nodes) {
                if (candidate->id == id) {
                    return candidate;
                }
                if (candidate->children) {
                    if (auto found = find(*candidate->children)) {
                        return found;
                    }
                }
            }
            return nullptr;
        };
        return find(model_->tree());
    }

    // Restores the selection and waits for the run to end.
    void restoreSelection() {
        wait(model_->startRestore(context()));
        ASSERT_TRUE(waitUntil([&] { return !model_->isRestoring(); }));
        drain();
    }

    std::int64_t portalRequests(const std::string& endpoint) { return control().requestCount(endpoint); }

    TempDir temp_;
    std::optional<std::string> savedHome_;
    VirtualClock clock_{SystemClock().now()};
    RecordingSleeper sleeper_{&clock_};
    NullLogger logger_;
    ThroughputMeter meter_;
    PlentyOfMemory memory_;
    OctetMimeTypes mimeTypes_;
    StorageTransport storage_;
    BackupIndex index_{temp_ / "index", logger_};
    BackupIndex driveIndex_{temp_ / "drive-index", logger_};
    RealDriveFileSystem driveFiles_;
    std::shared_ptr<FakeVolumeProvider> volumes_ = std::make_shared<FakeVolumeProvider>();
    LocalDestination studio_;
    std::shared_ptr<KeldraAPI> api_;
    std::shared_ptr<RestoreEngine> engine_;
    FlexID backupsFolder_;
    FlexID deviceFolder_;
    ScriptedFolderChooser chooser_;
    RecordingFileRevealer revealer_;
    Workers workers_{4};
    std::unique_ptr<RestoreModel> model_;
};

} // namespace keldra::test
