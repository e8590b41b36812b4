// Folding each run's result into the model: meta values that survive a restart, reviews, locks, the
// fallback to set-up, a re-created device folder, and the notifications runs produce.

#include "app/model/AppModel.h"
#include "app/model/RunNotifications.h"
#include "core/events/NumberFormat.h"
#include "core/secrets/ScopeKey.h"

namespace keldra {

namespace {
constexpr const char* driveFullProblem = "The drive is full. Some files weren't copied.";
constexpr const char* driveKeyProblem = "This drive's backup was made with a different Keldra passphrase.";
const std::optional<std::string> flagSet("1");
} // namespace

void AppModel::post(const std::string& identifier, const std::string& title, const std::string& body) {
    if (!notificationsAllowed_) {
        return;
    }
    services_.notifier.postNotification(identifier, title, body);
}

void AppModel::applyCloudResult(const RunResult& result) {
    const auto notify = [this](const Notice& notice) {
        post(notice.identifier, notice.title, notice.body);
    };

    setLastRun(result.record);
    setUnavailableSources(Availabilities(result.unavailableSources.begin(), result.unavailableSources.end()));
    if (result.sealedNamesVerified) {
        writeMeta(metakey::sealedNamesVerified, "1");
    }
    if (result.status) {
        setKeldraStatus(result.status);
        if (result.status->geoRuleReported) {
            applyGeoRule(GeoGuard::ruleFrom(result.status->geoRule));
        }
    }
    startDetached(refreshRuns());

    const RunOutcome& outcome = result.outcome;
    if (outcome.is<RunOutcome::Completed>() || outcome.is<RunOutcome::CompletedWithFailures>()) {
        setVerifierAbsentStreak(0);
        // The time the successful run began: whatever changed after it is not known to be protected.
        setLastSuccess(result.record.startedAt);
        setLastAttemptFailed(false);
        writeMeta(metakey::lastSuccess, metaTimeText(toUnixSeconds(result.record.startedAt)));
        if (const auto* partial = outcome.get<RunOutcome::CompletedWithFailures>();
            partial && settings_.notifyFailures) {
            notify(runNotice::runFailures(partial->failed));
        }
        if (settings_.notifyStorage && keldraStatus_) {
            if (auto percent = runNotice::storagePercent(keldraStatus_->usedBytes.value,
                                                         keldraStatus_->quotaBytes.value)) {
                notify(runNotice::storage(*percent));
            }
        }
    } else if (const auto* mass = outcome.get<RunOutcome::MassChangeReview>()) {
        setReview(MassChangeReview{MassChangeReview::Kind::localChanges, mass->changed, mass->removed,
                                   mass->protectedCount});
        notify(runNotice::massChange());
    } else if (const auto* mismatch = outcome.get<RunOutcome::KeldraMismatch>()) {
        setReview(MassChangeReview{MassChangeReview::Kind::missingFromKeldra, 0, mismatch->missing,
                                   mismatch->protectedCount});
        notify(runNotice::keldraMismatch());
    } else if (const auto* blocked = outcome.get<RunOutcome::Blocked>()) {
        setLastAttemptFailed(true);
        if (const auto* geo = blocked->reason.get<BlockReason::GeoBlocked>(); geo && geo->destroyed) {
            writeIndex([](BackupIndex& index) { index.clearFilesAndVersions(); });
        }
        handleBlock(blocked->reason);
    } else if (const auto* failed = outcome.get<RunOutcome::Failed>()) {
        setLastAttemptFailed(true);
        if (settings_.notifyFailures) {
            notify(runNotice::runFailed(failed->message));
        }
    } else if (outcome.is<RunOutcome::KeyMismatch>()) {
        notify(runNotice::keyMismatch());
        lock();
    } else if (outcome.is<RunOutcome::VerifierMissing>()) {
        setLastAttemptFailed(true);
        setVerifierAbsentStreak(verifierAbsentStreak_ + 1);
        if (verifierAbsentStreak_ >= 2) {
            setVerifierAbsentStreak(0);
            notify(runNotice::verifierMissing());
            lock();
            setVerifierState(VerifierState::absent());
            BackupSettings changed = settings_;
            changed.setupComplete = false;
            persistSettings(changed);
            if (phase_ != AppPhase::setup) {
                setPhase(AppPhase::setup);
            }
        }
    } else if (outcome.is<RunOutcome::DeviceFolderMissing>()) {
        writeIndex([](BackupIndex& index) { index.clearFilesAndVersions(); });
        BackupSettings changed = settings_;
        changed.deviceFolderID.reset();
        persistSettings(changed);
        startDetached(deviceFolderTask());
    }
    // Cancelled: nothing of its own.

    writeMeta(metakey::lastAttemptFailed, lastAttemptFailed_ ? flagSet : std::nullopt);
    if (storageFull_ && settings_.notifyStorage) {
        notify(runNotice::storageFull());
    }
}

void AppModel::applyDriveResult(const LocalRunResult& result) {
    const std::string& id = result.destinationID;
    const auto notify = [this](const Notice& notice) {
        post(notice.identifier, notice.title, notice.body);
    };

    const auto destination = std::find_if(destinations_.begin(), destinations_.end(),
                                          [&](const LocalDestination& d) { return d.id == id; });
    const std::string name = destination != destinations_.end() ? destination->name : "Backup drive";
    // The drive's own index: only one the model holds already (a removed drive has none); opening one here
    // would make the result wait on a worker.
    std::shared_ptr<BackupIndex> driveIndex;
    if (destination != destinations_.end()) {
        if (auto open = localIndexes_.find(id); open != localIndexes_.end()) {
            driveIndex = open->second;
        }
    }
    DriveState state;
    if (auto known = driveStates_.find(id); known != driveStates_.end()) {
        state = known->second;
    }
    if (result.record) {
        startDetached(refreshRuns());
    }
    if (result.freeBytes) {
        state.freeBytes = result.freeBytes;
    }

    const LocalOutcome& outcome = result.outcome;
    if (outcome.is<LocalOutcome::Completed>() || outcome.is<LocalOutcome::CompletedWithFailures>()) {
        state.problem = result.driveFull ? std::optional<std::string>(driveFullProblem) : std::nullopt;
        writeDriveMeta(driveIndex, metakey::lastAttemptFailed, std::nullopt);
        if (const auto* partial = outcome.get<LocalOutcome::CompletedWithFailures>();
            partial && settings_.notifyFailures) {
            notify(runNotice::driveFailures(id, name, partial->failed));
        }
    } else if (const auto* unavailable = outcome.get<LocalOutcome::Unavailable>()) {
        state.problem = unavailable->reason;
        writeDriveMeta(driveIndex, metakey::lastAttemptFailed, flagSet);
    } else if (const auto* failed = outcome.get<LocalOutcome::Failed>()) {
        state.problem = failed->message;
        writeDriveMeta(driveIndex, metakey::lastAttemptFailed, flagSet);
    } else if (const auto* mass = outcome.get<LocalOutcome::MassChangeReview>()) {
        state.needsReview = true;
        state.problem = formatCount(mass->changed) + " files changed and " + formatCount(mass->removed) +
                        " disappeared at once. Paused for review.";
        notify(runNotice::driveReview(id, name));
    } else if (outcome.is<LocalOutcome::KeyMismatch>()) {
        state.problem = driveKeyProblem;
        writeDriveMeta(driveIndex, metakey::lastAttemptFailed, flagSet);
        // Once until the next unmount.
        if (keyMismatchNotified_.count(id) == 0) {
            std::set<std::string> notified = keyMismatchNotified_;
            notified.insert(id);
            setKeyMismatchNotified(std::move(notified));
            notify(runNotice::driveKey(id, name));
        }
    }
    // Not connected, cancelled: nothing of their own.

    if (result.driveFull && settings_.notifyStorage) {
        notify(runNotice::driveFull(id, name));
    }
    DriveStates states = driveStates_;
    states[id] = state;
    setDriveStates(std::move(states));
}

QCoro::Task<> AppModel::deviceFolderTask() {
    auto choosing = chooseDeviceFolder(settings_.deviceName, std::nullopt);
    const std::optional<std::string> failure = co_await choosing;
    if (failure) {
        co_return; // silent: the next cloud run reports the missing folder again
    }
    if (isRunning_) {
        setRestartAfterRun(true);
        co_return;
    }
    if (pausedByUser_) {
        setPaused(false);
    }
    runBackup("Manual");
}

QCoro::Task<> AppModel::refreshStatusTask() {
    auto refreshing = refreshStatus();
    co_await refreshing;
    tick(true);
}

} // namespace keldra
