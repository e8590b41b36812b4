// Start-up, the per-account load, the device check and the reactions to the network.

#include "app/async/Delay.h"
#include "app/model/AppModel.h"
#include "app/model/EngineFactory.h"
#include "app/model/MetaDate.h"
#include "core/codec/Uuid.h"
#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "core/text/AsciiCase.h"
#include "restore/engine/WithRetry.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace keldra {

namespace {

struct StoredMeta {
    std::optional<std::string> lastSuccess;
    std::optional<std::string> lastAttempt;
    std::optional<std::string> lastAttemptFailed;
    std::optional<std::string> pausedByUser;
};

} // namespace

QCoro::Task<> AppModel::startup() {
    auto guard = ownerGuard();
    auto reading = onKeyring(guard, [&secrets = services_.secrets] { return secrets.read(sessionAccount); });
    auto data = co_await reading;
    // An item that does not decode is treated like none, silently.
    std::optional<StoredSession> stored = data ? decodeStoredSession(*data) : std::nullopt;
    if (!stored) {
        setPhase(AppPhase::signedOut);
        co_return;
    }
    setSession(stored);
    services_.api->setToken(stored->token);
    co_await loadSignedIn();
}

std::filesystem::path AppModel::accountDirectory(const std::string& scopeKey) const {
    return services_.dataDirectory / scopeKey;
}

QCoro::Task<> AppModel::loadSignedIn() {
    if (!session_) {
        setPhase(AppPhase::signedOut);
        co_return;
    }
    const StoredSession session = *session_;
    const std::string scope = scopeKey(session.email);
    loadedScopeKey_ = scope;
    const WorkGuard guard = accountGuard();

    setSettings(BackupSettings::load(services_.defaults, scope));
    setSources(BackupSource::loadAll(services_.defaults, scope));
    loadGeoRule(scope);

    // Opening the index, recovering runs a killed process left "running" and trimming the history all
    // happen before anybody else sees the index.
    std::shared_ptr<BackupIndex> opened;
    std::optional<std::string> openError;
    try {
        auto opening = onWorker(guard, [directory = accountDirectory(scope), &logger = services_.logger] {
            auto index = std::make_shared<BackupIndex>(directory, logger);
            index->recoverInterruptedRuns();
            index->pruneRuns(runsKept);
            return index;
        });
        opened = co_await opening;
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception& error) {
        openError = errorText(error);
    }

    if (opened) {
        setIndex(opened);
        setEngine(makeCloudEngine(services_, opened, meter_));
        setLocalEngine(makeDriveEngine(services_, opened, meter_, realDriveFiles_));
        auto readingMeta = onIndex([](BackupIndex& index) {
            return StoredMeta{index.meta("lastSuccess"), index.meta("lastAttempt"),
                              index.meta("lastAttemptFailed"), index.meta("pausedByUser")};
        });
        auto meta = co_await readingMeta;
        if (meta) {
            setLastSuccess(metaDate(meta->lastSuccess));
            setLastAttempt(metaDate(meta->lastAttempt));
            setLastAttemptFailed(meta->lastAttemptFailed == std::optional<std::string>("1"));
            setPausedByUser(meta->pausedByUser == std::optional<std::string>("1"));
        }
        // The newest run of this index, not one left from an earlier load.
        setLastRun(std::nullopt);
        co_await refreshRuns();
    } else {
        // Without an index nothing can be backed up: say so where the user and the diagnostics look.
        setAuthError(openError);
        appendLog(fmt::format("The backup index couldn't be opened: {}", openError.value_or("")),
                  LogLine::Tone::error);
        services_.logger.log(fmt::format("Opening the account index failed: {}", openError.value_or("")));
    }

    loadDestinations(scope);
    co_await reconcileDeviceIdentity();
    // Only now: the drive states open the drives' indexes, which settings from another computer remove.
    refreshDriveStates();

    auto readingKey =
        onKeyring(guard, [&secrets = services_.secrets, scope] { return loadKeldraKey(secrets, scope); });
    auto key = co_await readingKey;
    if (key) {
        setKeldraKey(std::move(key));
        setUnattended(true);
    }

    AccountInfo placeholder;
    placeholder.email = session.email;
    setAccount(placeholder);

    co_await refreshSessionIfNeeded();
    co_await refreshStatus();

    try {
        auto fetching = onWorker(
            guard, [api = services_.api, cancel = lifetime_.get_token()] { return api->account(cancel); });
        AccountInfo info = co_await fetching;
        setAccount(info.email ? info : placeholder);
        if (info.geoRuleReported) {
            applyGeoRule(GeoGuard::ruleFrom(info.geoRule));
        }
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception&) {
        // The placeholder stays.
    }

    if (!settings_.setupComplete) {
        setPhase(AppPhase::setup);
    } else if (!keldraKey_) {
        setPhase(AppPhase::unlock);
        postLockedNotice();
    } else {
        setPhase(AppPhase::ready);
    }
    startTimers();
}

void AppModel::loadDestinations(const std::string& scopeKey) {
    std::vector<LocalDestination> list = LocalDestination::loadAll(services_.defaults, scopeKey);
    // A folder on the system disk added before it was named as this computer kept the stand-in "/".
    for (LocalDestination& destination : list) {
        if (destination.isBootVolume && (destination.name.empty() || destination.name == "/")) {
            destination.name = thisComputerDriveName;
        }
    }
    setDestinations(std::move(list));
    if (watchingVolumes_) {
        return;
    }
    QPointer<AppModel> self(this);
    services_.volumeWatcher.setOnChange([self](const VolumeChange& change) {
        if (self) {
            self->handleVolumeChange(change);
        }
    });
    watchingVolumes_ = true;
    announce(&AppModel::watchingVolumesChanged);
}

QCoro::Task<> AppModel::reconcileDeviceIdentity() {
    const WorkGuard guard = accountGuard();
    auto identifying =
        onWorker(guard, [&identity = services_.deviceIdentity] { return identity.deviceIdentifier(); });
    const std::optional<std::string> host = co_await identifying;
    const std::optional<std::string> scope = sessionScopeKey();

    if (settings_.deviceHostID && host && *settings_.deviceHostID != *host) {
        // The settings came from another computer: its drive indexes and its file records do not describe
        // this one. Close the drive indexes before their folders go.
        setLocalIndexes({});
        if (scope) {
            std::vector<std::filesystem::path> folders;
            for (const LocalDestination& destination : destinations_) {
                folders.push_back(accountDirectory(*scope) / ("drive-" + destination.id));
            }
            auto removing = onWorker(guard, [folders] {
                for (const auto& folder : folders) {
                    std::error_code ignored;
                    std::filesystem::remove_all(folder, ignored);
                }
            });
            co_await removing;
        }
        auto clearing = onIndex([](BackupIndex& index) { index.clearFilesAndVersions(); });
        co_await clearing;

        BackupSettings adopted = settings_;
        adopted.deviceFolderID.reset();
        adopted.setupComplete = false;
        adopted.localDeviceID = lowerAscii(makeUuid());
        adopted.deviceHostID = host;
        if (adopted != settings_) {
            setSettings(adopted);
            if (scope) {
                BackupSettings::save(services_.defaults, *scope, settings_);
            }
        }
        appendLog("These settings came from another computer. Choose how this computer should back up.",
                  LogLine::Tone::warning);
        co_return;
    }

    BackupSettings adopted = settings_;
    if (!adopted.localDeviceID) {
        adopted.localDeviceID = lowerAscii(makeUuid());
    }
    if (!adopted.deviceHostID && host) {
        adopted.deviceHostID = host;
    }
    if (adopted != settings_) {
        setSettings(adopted);
        if (scope) {
            BackupSettings::save(services_.defaults, *scope, settings_);
        }
    }
}

void AppModel::onNetworkChange(bool online) {
    setIsOnline(online);
    services_.api->clearLastCountry();
    if (online && block_ && block_->is<BlockReason::Offline>()) {
        setBlock(std::nullopt);
        startDetached(tickAfter(Seconds(5)));
    }
}

void AppModel::onNetworkPathChange() {
    services_.api->clearLastCountry();
}

QCoro::Task<> AppModel::tickAfter(Seconds wait) {
    auto waiting = delay(services_.timers, wait, ownerGuard());
    co_await waiting;
    tick(false);
}

} // namespace keldra
