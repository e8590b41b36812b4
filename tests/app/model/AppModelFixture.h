#pragma once

#include "app/model/AppModel.h"
#include "core/codec/Uuid.h"
#include "core/platform/MimeTypes.h"
#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "platform/secrets/LibsecretStore.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FakeSystem.h"
#include "tests/support/FakeVolumeProvider.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/PrefixedSecretStore.h"
#include "tests/support/QtApp.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualTimers.h"

#include <gtest/gtest.h>
#include <memory>
#include <qcoro/qcorotask.h>

namespace keldra::test {

class PlainMimeTypes final : public MimeTypes {
public:
    std::string mimeType(const std::filesystem::path&) const override { return fallback; }
};

// One application model over real parts: the local portal, index files and a defaults file in a temporary
// folder, the session's keyring (items kept apart per test), and virtual timers on a virtual clock.
class AppModelFixture : public LocalPortalFixture {
protected:
    static constexpr const char* email = "ada@example.com";
    static constexpr const char* password = "correct horse";

    void SetUp() override {
        LocalPortalFixture::SetUp();
        qtApp();
        api = std::make_shared<KeldraAPI>(clock, sleeper, baseUrl());
        storage = std::make_shared<StorageTransport>(clock, sleeper);
        defaults = std::make_unique<FileKeyValueStore>(temp / "defaults.json", logger);
    }

    void TearDown() override {
        model.reset();
        drainEvents();
        for (const char* account : {"portal-session"}) {
            secrets.remove(account);
        }
        for (const auto& scope : scopesUsed) {
            secrets.remove(keldraKeyAccount(scope));
        }
    }

    AppServices services() {
        return AppServices{.clock = clock,
                           .sleeper = sleeper,
                           .logger = logger,
                           .defaults = *defaults,
                           .secrets = secrets,
                           .api = api,
                           .storage = storage,
                           .memory = memory,
                           .mimeTypes = mimeTypes,
                           .volumes = volumes,
                           .network = network,
                           .power = power,
                           .notifier = notifier,
                           .loginItem = loginItem,
                           .deviceIdentity = identity,
                           .timers = timers,
                           .sleepWatcher = sleepWatcher,
                           .volumeWatcher = volumeWatcher,
                           .urlOpener = urlOpener,
                           .fileRevealer = fileRevealer,
                           .folderChooser = folderChooser,
                           .launchContext = launchContext,
                           .dataDirectory = temp / "data",
                           .workerThreads = 4};
    }

    // Creates the model and waits until start-up has chosen a phase.
    AppModel& start() {
        model = std::make_unique<AppModel>(services());
        EXPECT_TRUE(runUntil([&] { return model->phase() != AppPhase::launching; }));
        return *model;
    }

    // A model signed in as `address` with a finished set-up and its key stored, loaded and ready.
    AppModel& signedIn(const std::string& address = email) {
        saveSettings(address, readySettings());
        SymmetricKey raw{};
        raw.fill(5);
        storeKey(address, KeldraKey(raw));
        storeSession(signedInSession(address));
        AppModel& m = start();
        EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::ready; }));
        return m;
    }

    template <class T> T await(QCoro::Task<T> task) { return QCoro::waitFor(std::move(task)); }
    void await(QCoro::Task<> task) { QCoro::waitFor(std::move(task)); }

    // A portal account and, optionally, its session in the keyring as an earlier process left it.
    nlohmann::json createAccount(const std::string& address = email,
                                 nlohmann::json extra = nlohmann::json::object()) {
        extra["email"] = address;
        extra["password"] = password;
        scopesUsed.push_back(scopeKey(address));
        return control().createAccount(extra);
    }
    void storeSession(const StoredSession& session) {
        const std::string json = encodeStoredSession(session);
        secrets.write(Bytes(json.begin(), json.end()), sessionAccount, sessionLabel);
    }
    StoredSession signedInSession(const std::string& address = email) {
        return StoredSession{control().issueToken(address), clock.now() + std::chrono::hours(24 * 60),
                             address};
    }
    void storeKey(const std::string& address, const KeldraKey& key) {
        const auto& raw = key.symmetricKey();
        secrets.write(Bytes(raw.begin(), raw.end()), keldraKeyAccount(scopeKey(address)), keldraKeyLabel);
    }
    void saveSettings(const std::string& address, const BackupSettings& settings) {
        BackupSettings::save(*defaults, scopeKey(address), settings);
    }
    // Settings of a finished set-up on this computer ("host-a"), scheduled daily.
    static BackupSettings readySettings() {
        BackupSettings settings;
        settings.setupComplete = true;
        settings.deviceFolderID = "42";
        settings.localDeviceID = "7f0c1f6e-0000-4000-8000-000000000001";
        settings.deviceHostID = "host-a";
        settings.schedule.kind = ScheduleKind::daily;
        return settings;
    }
    std::filesystem::path accountFolder(const std::string& address = email) {
        return temp / "data" / scopeKey(address);
    }

    TempDir temp;
    RecordingLogger logger;
    VirtualClock clock;
    RecordingSleeper sleeper{&clock};
    VirtualTimers timers{clock};
    std::unique_ptr<FileKeyValueStore> defaults;
    LibsecretStore keyring{logger};
    PrefixedSecretStore secrets{keyring, "test-" + makeUuid() + "-"};
    std::shared_ptr<KeldraAPI> api;
    std::shared_ptr<StorageTransport> storage;
    AmpleMemory memory;
    PlainMimeTypes mimeTypes;
    FakeVolumeProvider volumes;
    NetworkMonitor network{[](std::function<void()> f) {
        f();
    }};
    FixedPowerSource power;
    RecordingNotifier notifier;
    RecordingLoginItem loginItem;
    FixedDeviceIdentity identity{"host-a"};
    FakeSleepWatcher sleepWatcher;
    FakeVolumeWatcher volumeWatcher;
    RecordingUrlOpener urlOpener;
    RecordingFileRevealer fileRevealer;
    ScriptedFolderChooser folderChooser;
    FixedLaunchContext launchContext;
    std::vector<std::string> scopesUsed;
    std::unique_ptr<AppModel> model;
};

} // namespace keldra::test
