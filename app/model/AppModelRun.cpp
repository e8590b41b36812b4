// Starting a run and the run task: the cloud engine, then each chosen drive, with their events applied on
// this thread before each result.

#include "app/async/Delay.h"
#include "app/model/AppModel.h"
#include "app/model/RunEventChannel.h"
#include "core/secrets/ScopeKey.h"
#include "core/text/AsciiCase.h"

#include <algorithm>
#include <set>

namespace keldra {

namespace {

// The folder a drive's backups live in below its volume (or its chosen folder there).
constexpr const char* driveBackupFolder = "Orlivane Keldra Backup";
constexpr Seconds trayFrameInterval{0.6};

RunProgress idleProgress() {
    RunProgress progress;
    progress.phase = RunPhase::preparing;
    return progress;
}

bool contains(const std::optional<std::vector<std::string>>& ids, const std::string& id) {
    return ids && std::find(ids->begin(), ids->end(), id) != ids->end();
}

} // namespace

void AppModel::runBackup(const std::string& trigger, bool acceptLocalChanges, bool acceptMissing,
                         bool includeCloud, std::optional<std::vector<std::string>> destinationIDs) {
    if (phase_ != AppPhase::ready || isRunning_ || !keldraKey_ || sources_.empty()) {
        return;
    }

    bool cloud = includeCloud && engine_ != nullptr;
    if (cloud && ((block_ && block_->is<BlockReason::SignedOut>()) || !settings_.deviceFolderID)) {
        cloud = false;
    }
    if (cloud) {
        if (!isOnline_) {
            // Offline never replaces a hold the user must see (a country rule, a suspension): lifting it
            // when the network returns would let the Keldra be reached again.
            if (!block_) {
                setBlock(BlockReason::offline());
            }
            cloud = false;
        } else if (block_ && !block_->is<BlockReason::Offline>()) {
            cloud = false;
        } else if (block_) {
            setBlock(std::nullopt); // the network is back
        }
    }

    // Whether a drive is plugged in is its drive state (rebuilt off this thread on loads, runs and mount
    // events); the run task looks at the mount table again on a worker before it copies.
    std::vector<LocalDestination> chosen;
    for (const LocalDestination& destination : destinations_) {
        const auto state = driveStates_.find(destination.id);
        if (!destination.enabled || state == driveStates_.end() || !state->second.connected) {
            continue;
        }
        if (destinationIDs && !contains(destinationIDs, destination.id)) {
            continue;
        }
        if (state->second.needsReview && !contains(destinationIDs, destination.id)) {
            continue; // a drive waiting for review runs only when asked for by id
        }
        chosen.push_back(destination);
    }

    const std::string deviceID = settings_.localDeviceID.value_or("unassigned");

    std::vector<PlannedDrive> drives;
    for (const LocalDestination& destination : chosen) {
        PlannedDrive drive{LocalRunRequest{*keldraKey_,
                                           settings_,
                                           sources_,
                                           destination,
                                           deviceID,
                                           settings_.deviceName,
                                           trigger + " \u00B7 " + destination.name,
                                           acceptLocalChanges && contains(destinationIDs, destination.id),
                                           {}},
                           nullptr};
        // An index not opened yet is opened by the run task, off this thread.
        if (auto open = localIndexes_.find(destination.id); open != localIndexes_.end()) {
            drive.index = open->second;
        }
        drives.push_back(std::move(drive));
    }
    if (!cloud && drives.empty()) {
        return;
    }

    setIsRunning(true);
    setProgress(idleProgress());
    QPointer<AppModel> self(this);
    trayTimer_ = services_.timers.repeating(trayFrameInterval, [self] {
        if (self) {
            self->setTrayFrame(!self->trayFrame_);
        }
    });

    std::optional<RunRequest> request;
    if (cloud) {
        setReview(std::nullopt);
        const SystemTime now = services_.clock.now();
        setLastAttempt(now);
        writeMeta(metakey::lastAttempt, metaTimeText(toUnixSeconds(now)));
        appendLog("Backup started (" + lowerAscii(trigger) + ").", LogLine::Tone::info);

        std::optional<FlexID> backupsFolder;
        if (settings_.backupsFolderID) {
            backupsFolder = FlexID(*settings_.backupsFolderID);
        }
        RunRequest cloudRequest{*keldraKey_,
                                settings_,
                                sources_,
                                FlexID(*settings_.deviceFolderID),
                                std::move(backupsFolder),
                                trigger,
                                acceptLocalChanges,
                                acceptMissing,
                                false,
                                {}};
        request = std::move(cloudRequest);
    }

    CancelSource cancel = workers_.cancelSource();
    runCancel_ = cancel;
    startDetached(executeRun(std::move(request), std::move(drives), destinations_, cancel.get_token()));
}

void AppModel::approveReview() {
    const std::optional<MassChangeReview> cleared = review_;
    setReview(std::nullopt);
    const bool localChanges = cleared && cleared->kind == MassChangeReview::Kind::localChanges;
    const bool missing = cleared && cleared->kind == MassChangeReview::Kind::missingFromKeldra;
    runBackup("Manual (reviewed)", localChanges, missing, true, std::nullopt);
}

QCoro::Task<std::shared_ptr<BackupIndex>> AppModel::localIndex(LocalDestination destination) {
    if (auto open = localIndexes_.find(destination.id); open != localIndexes_.end()) {
        // A copy first: g++ 12 moves from the map's element when it is the co_return operand.
        std::shared_ptr<BackupIndex> kept = open->second;
        co_return kept;
    }
    const std::optional<std::string> scope = sessionScopeKey();
    if (!scope) {
        co_return std::shared_ptr<BackupIndex>();
    }
    std::shared_ptr<BackupIndex> opened;
    try {
        std::shared_ptr<SerialLane> lane = driveIndexLane_;
        auto opening = keldra::onLane(
            *lane, accountGuard(),
            [directory = accountDirectory(*scope) / ("drive-" + destination.id), &logger = services_.logger] {
                return std::make_shared<BackupIndex>(directory, logger);
            });
        opened = co_await opening;
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception&) {
        co_return std::shared_ptr<BackupIndex>(); // the drive is left out, silently
    }
    // Another opening may have finished first: everybody uses the one kept.
    if (auto open = localIndexes_.find(destination.id); open != localIndexes_.end()) {
        // A copy first: g++ 12 moves from the map's element when it is the co_return operand.
        std::shared_ptr<BackupIndex> kept = open->second;
        co_return kept;
    }
    IndexMap indexes = localIndexes_;
    indexes[destination.id] = opened;
    setLocalIndexes(std::move(indexes));
    co_return opened;
}

void AppModel::cancelRunTask() {
    if (runCancel_) {
        runCancel_->request_stop();
    }
}

namespace {

// What the mount table says as a run starts: the backup folders of every mounted drive (never backed up
// again from inside a source) and which drives are mounted.
struct MountedDrives {
    std::vector<std::string> skipRoots;
    std::set<std::string> mounted;
};

MountedDrives readMountedDrives(const std::vector<LocalDestination>& destinations,
                                const VolumeProvider& volumes) {
    MountedDrives found;
    for (const LocalDestination& destination : destinations) {
        if (auto volume = destination.mountedVolumeURL(volumes)) {
            std::filesystem::path root = *volume;
            if (!destination.folderInVolume.empty()) {
                root /= destination.folderInVolume;
            }
            found.skipRoots.push_back((root / driveBackupFolder).string());
            found.mounted.insert(destination.id);
        }
    }
    return found;
}

} // namespace

QCoro::Task<> AppModel::executeRun(std::optional<RunRequest> cloud, std::vector<PlannedDrive> drives,
                                   std::vector<LocalDestination> allDrives, CancelToken cancel) {
    const WorkGuard owner = ownerGuard();
    // Results of a run whose account was signed out or replaced meanwhile are not applied: the engine
    // recorded the run in the index it holds.
    const WorkGuard account = accountGuard();
    const std::shared_ptr<BackupEngine> cloudEngine = engine_;
    const std::shared_ptr<LocalBackupEngine> driveEngine = localEngine_;
    QPointer<AppModel> self(this);
    auto makeChannel = [this, account] {
        return RunEventChannel::make(this, [this, account](const EngineEvent& event) {
            if (account.alive()) {
                applyEvent(event);
            }
        });
    };

    try {
        auto reading = onWorker(owner, [allDrives = std::move(allDrives), &volumes = services_.volumes] {
            return readMountedDrives(allDrives, volumes);
        });
        const MountedDrives mounted = co_await reading;
        if (cloud) {
            cloud->skipRoots = mounted.skipRoots;
        }
        // A drive unplugged since its state was read is left out, as if it had not been chosen.
        std::erase_if(drives, [&](const PlannedDrive& drive) {
            return !mounted.mounted.contains(drive.request.destination.id);
        });
        for (PlannedDrive& drive : drives) {
            drive.request.skipRoots = mounted.skipRoots;
        }
        if (cloud && cloudEngine) {
            try {
                auto renewing = refreshSessionIfNeeded();
                co_await renewing;
            } catch (const StaleWork&) {
                owner.check();
            }
            auto reading =
                onIndex([](BackupIndex& index) { return index.meta(metakey::sealedNamesVerified); });
            const auto verified = co_await reading;
            cloud->sealedNamesVerified = verified && *verified == std::optional<std::string>("1");
            auto channel = makeChannel();
            auto running =
                onWorker(owner, [engine = cloudEngine, request = *cloud, handler = channel->handler(),
                                 cancel] { return engine->run(request, handler, cancel); });
            const RunResult result = co_await running;
            channel->drain();
            if (account.alive()) {
                applyCloudResult(result);
            }
        }
        if (driveEngine) {
            for (PlannedDrive& drive : drives) {
                if (cancel.stop_requested() || !account.alive()) {
                    break;
                }
                if (!drive.index) {
                    auto opening = localIndex(drive.request.destination);
                    drive.index = co_await opening;
                    if (!drive.index) {
                        continue;
                    }
                }
                auto stamping =
                    onWorker(owner, [index = drive.index, now = toUnixSeconds(services_.clock.now())] {
                        index->execute("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)",
                                       {BackupIndex::Bind::text(metakey::lastAttempt),
                                        BackupIndex::Bind::text(metaTimeText(now))});
                    });
                co_await stamping;
                auto channel = makeChannel();
                auto running = onWorker(owner, [engine = driveEngine, request = drive.request,
                                                index = drive.index, handler = channel->handler(), cancel] {
                    return engine->run(request, *index, handler, cancel);
                });
                const LocalRunResult result = co_await running;
                channel->drain();
                if (account.alive()) {
                    applyDriveResult(result);
                }
            }
        }
    } catch (const StaleWork&) {
        owner.check(); // the account went: the run still ends here
    }
    finishRunState();
}

void AppModel::applyEvent(const EngineEvent& event) {
    if (const auto* progress = event.get<EngineEvent::Progress>()) {
        setProgress(progress->progress);
    } else if (const auto* log = event.get<EngineEvent::Log>()) {
        appendLog(log->line);
    } else if (const auto* status = event.get<EngineEvent::Status>()) {
        if (status->status) {
            setKeldraStatus(*status->status);
            if (status->status->geoRuleReported) {
                applyGeoRule(GeoGuard::ruleFrom(status->status->geoRule));
            }
        }
    } else if (event.get<EngineEvent::StorageFull>()) {
        setStorageFull(true);
    }
}

void AppModel::stopTrayTimer() {
    trayTimer_.reset();
    setTrayFrame(false);
}

void AppModel::finishRunState() {
    runCancel_.reset();
    setIsRunning(false);
    stopTrayTimer();
    setProgress(idleProgress());
    refreshDriveStates();
    if (restartAfterRun_) {
        setRestartAfterRun(false);
        if (pausedByUser_) {
            setPaused(false);
        }
        runBackup("Manual");
    }
}

// ---- index writes nobody waits for

void AppModel::writeIndex(std::function<void(BackupIndex&)> write) {
    if (!index_) {
        return;
    }
    startDetached([](AppModel* model, std::function<void(BackupIndex&)> write) -> QCoro::Task<> {
        auto writing = model->onIndex([write = std::move(write)](BackupIndex& index) { write(index); });
        co_await writing;
    }(this, std::move(write)));
}

void AppModel::writeMeta(const std::string& key, std::optional<std::string> value) {
    writeIndex([key, value = std::move(value)](BackupIndex& index) {
        if (value) {
            index.execute("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)",
                          {BackupIndex::Bind::text(key), BackupIndex::Bind::text(*value)});
        } else {
            index.setMeta(key, std::nullopt);
        }
    });
}

void AppModel::writeDriveMeta(std::shared_ptr<BackupIndex> index, const std::string& key,
                              std::optional<std::string> value) {
    if (!index) {
        return;
    }
    // On the drives' lane, where the drive states are read too: a refresh asked for after this write
    // reads what it wrote (a failed drive is then retried after the floor, not at the next tick).
    startDetached([](AppModel* model, std::shared_ptr<SerialLane> lane, std::shared_ptr<BackupIndex> index,
                     std::string key, std::optional<std::string> value) -> QCoro::Task<> {
        auto writing = keldra::onLane(*lane, model->ownerGuard(),
                                      [index = std::move(index), key = std::move(key),
                                       value = std::move(value)] { index->setMeta(key, value); });
        co_await writing;
    }(this, driveIndexLane_, std::move(index), key, std::move(value)));
}

} // namespace keldra
