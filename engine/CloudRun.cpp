#include "engine/CloudRun.h"

#include "core/SaturatingMath.h"
#include "core/events/NumberFormat.h"
#include "engine/ListedVersions.h"
#include "engine/Retention.h"
#include "engine/RunLog.h"

namespace keldra {

CloudRun::CloudRun(const EngineServices& services, const RunRequest& request,
                   const EngineEventHandler& onEvent, const CancelToken& cancel)
    : services_(services), request_(request), onEvent_(onEvent), cancel_(cancel),
      sealedNamesVerified_(request.sealedNamesVerified) {}

RunResult CloudRun::execute() {
    try {
        start();
        checkVerifier();
        fetchFirstStatus();
        const std::vector<KeldraFile> listing = listDeviceFolder();
        catalog_ = RemoteCatalog::build(listing, request_.key);
        guardKeldraMismatch();
        reconcileWithListing();
        adoptListedVersions(services_.index, catalog_.byPath, now());
        scanSources();
        const std::vector<IndexedFile> removed = markDeletions();
        writeMissingMarks(removed);
        uploadCandidates();
        clean();
        fetchFinalStatus();
        return finish(RunEnding::completed(record_));
    } catch (const EndRun<RunEnding>& end) {
        return finish(end.ending);
    } catch (...) {
        return finish(RunEnding::forError(std::current_exception()));
    }
}

void CloudRun::start() {
    const SystemTime startedAt = services_.clock.now();
    record_.id = services_.index.startRun(request_.trigger, startedAt);
    record_.startedAt = startedAt;
    record_.status = RunStatus::running;
    record_.trigger = request_.trigger;
    if (record_.id == 0) {
        // A run that cannot even be entered in the history could record none of its copies.
        throw IndexFailure(IndexWrite::failed("the run couldn't be entered in the history"));
    }
    runStarted_ = true;
    progress_ = RunProgress{};
    progress_.phase = RunPhase::preparing;
    emitProgress();
}

void CloudRun::checkVerifier() {
    const std::optional<KeldraAPI::Verifier> verifier = services_.api.fetchVerifier(cancel_);
    if (!verifier) {
        throw EndRun{RunEnding::verifierMissing()};
    }
    if (!request_.key.checkVerifier(verifier->verifier, verifier->iv)) {
        throw EndRun{RunEnding::keyMismatch()};
    }
}

void CloudRun::fetchFirstStatus() {
    status_ = services_.api.status(cancel_);
    emitStatus();
    const auto& deadManSwitch = status_->deadManSwitch;
    if (deadManSwitch && deadManSwitch->enabled && deadManSwitch->enabled->value) {
        log("Dead man's switch is on for this Keldra. Automatic backups don't count as a visit.",
            LogLine::Tone::warning);
    }
    progress_.phase = RunPhase::checking;
    emitProgress();
}

std::vector<KeldraFile> CloudRun::listDeviceFolder() {
    try {
        return services_.api.listAllFiles(request_.deviceFolderID, std::nullopt, cancel_);
    } catch (const KeldraAPIError& error) {
        if (error.kind() != KeldraAPIError::Kind::notFound) {
            throw;
        }
    }
    // Not found: either this computer's folder was deleted, or the portal had a passing fault. Only a backups
    // folder that lists no such folder any more proves it is gone.
    const KeldraAPIError couldNotList =
        KeldraAPIError::transport("Couldn't list this computer's backup folder. The next run tries again.");
    if (!request_.backupsFolderID) {
        throw couldNotList;
    }
    std::optional<KeldraListing> parent;
    try {
        parent = services_.api.listFiles(*request_.backupsFolderID, cancel_);
    } catch (const CancelledError&) {
        throw;
    } catch (...) {
        throw couldNotList;
    }
    if (!parent->folders) {
        throw couldNotList;
    }
    for (const KeldraFolder& folder : *parent->folders) {
        if (folder.id == request_.deviceFolderID) {
            throw couldNotList;
        }
    }
    throw EndRun{RunEnding::deviceFolderMissing()};
}

void CloudRun::guardKeldraMismatch() {
    if (request_.overrideKeldraMismatch) {
        return;
    }
    std::int64_t protectedCount = 0;
    std::int64_t missing = 0;
    for (const IndexedFile& row : services_.index.files()) {
        if (!row.keldraFileID) {
            continue;
        }
        ++protectedCount;
        if (!catalog_.allIDs.contains(*row.keldraFileID)) {
            ++missing;
        }
    }
    if (protectedCount >= 20 && static_cast<double>(protectedCount) / 2.0 <= static_cast<double>(missing)) {
        throw EndRun{RunEnding::keldraMismatch(missing, protectedCount)};
    }
}

void CloudRun::reconcileWithListing() {
    const IndexWrite reconciled = services_.index.reconcileWithListing(catalog_.allIDs);
    if (!reconciled) {
        // Rows naming copies the Keldra no longer has would make their files look backed up.
        throw IndexFailure(reconciled);
    }
    const std::int64_t cleared = reconciled.count();
    if (cleared >= 1) {
        log(formatCount(cleared) + " files are no longer in the Keldra. They'll upload again.",
            LogLine::Tone::warning);
    }
    if (!catalog_.unreadable.empty()) {
        log(formatCount(static_cast<std::int64_t>(catalog_.unreadable.size())) +
                " items in this computer's Keldra folder weren't made by this app or don't open with your "
                "key. "
                "They're left untouched.",
            LogLine::Tone::warning);
    }
}

void CloudRun::clean() {
    progress_.phase = RunPhase::cleaning;
    progress_.currentPath.reset();
    emitProgress();

    std::unordered_set<std::string> knownIDs = catalog_.allIDs;
    knownIDs.insert(uploadedIDs_.begin(), uploadedIDs_.end());
    const RunLog runLog = [this](const std::string& text, LogLine::Tone tone) {
        log(text, tone);
    };
    Retention retention(services_, cancel_);
    record_.removed = saturatingAdd(
        record_.removed, retention.pruneVersions(request_.settings.versionRetentionDays, knownIDs, runLog));

    const BackupSettings& settings = request_.settings;
    if (settings.deletedGraceDays) {
        const EngineEventHandler forward = [this](const EngineEvent& event) {
            emit(event);
        };
        record_.removed =
            saturatingAdd(record_.removed,
                          retention.purgeDeletedFiles(*settings.deletedGraceDays, scannedSources_, uncertain_,
                                                      settings.excludeSystemJunk, settings.excludeCaches,
                                                      settings.excludeDeveloperFolders,
                                                      settings.customExclusions, forward));
    }
}

void CloudRun::fetchFinalStatus() {
    // The run's work is done; a failure to refresh the figures is no reason to report it as failed.
    try {
        status_ = services_.api.status(cancel_);
        emitStatus();
    } catch (const CancelledError&) {
        throw;
    } catch (...) {
    }
    throwIfCancelled(cancel_);
}

RunResult CloudRun::finish(const RunEnding& given) {
    RunEnding ending = given;
    try {
        record_.status = ending.status;
        record_.finishedAt = services_.clock.now();
        record_.message = ending.message;
        if (runStarted_) {
            const IndexWrite written = services_.index.finishRun(record_);
            if (!written && (ending.status == RunStatus::succeeded || ending.status == RunStatus::partial)) {
                // A run the history cannot show as done is not reported as done.
                ending = RunEnding::failed(indexFailedRunText(written));
                record_.status = ending.status;
                record_.message = ending.message;
            }
        }
        log(ending.message, ending.tone);
    } catch (...) {
        // Finishing never fails the run: the result goes back in any case.
    }
    RunResult result;
    result.record = record_;
    result.outcome = ending.outcome;
    result.status = status_;
    result.unavailableSources = unavailableSources_;
    result.sealedNamesVerified = sealedNamesVerified_;
    return result;
}

void CloudRun::log(const std::string& text, LogLine::Tone tone) {
    emit(EngineEvent::log(LogLine::make(text, tone, services_.clock.now())));
}

void CloudRun::emit(const EngineEvent& event) {
    if (!onEvent_) {
        return;
    }
    try {
        onEvent_(event);
    } catch (...) {
        // A faulty listener must not break the backup it is watching.
    }
}

void CloudRun::emitProgress() {
    emit(EngineEvent::progress(progress_));
}

void CloudRun::emitStatus() {
    if (status_) {
        emit(EngineEvent::status(std::make_shared<const KeldraStatus>(*status_)));
    }
}

double CloudRun::now() const {
    return toUnixSeconds(services_.clock.now());
}

} // namespace keldra
