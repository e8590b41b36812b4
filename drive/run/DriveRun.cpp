#include "drive/run/DriveRun.h"

#include "core/events/NumberFormat.h"
#include "core/index/IndexStatements.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/DriveErrors.h"

#include <sstream>
#include <system_error>

namespace keldra {

namespace fs = std::filesystem;

namespace {

constexpr const char* keyMismatchMessage =
    "This drive's backup was made with a different Keldra passphrase. Nothing was changed on it.";
constexpr const char* unreadableMessage =
    "The backup folder on the drive couldn't be read. Nothing was changed.";
constexpr const char* disconnectedMessage =
    "The drive was disconnected. The next copy picks up where this one stopped.";
constexpr const char* cancelledMessage = "Stopped. The next copy picks up where this one stopped.";
constexpr const char* invalidDeviceMessage = "This computer's folder name on the drive isn't valid.";
constexpr const char* unexpectedLayoutMessage =
    "The backup folder on the drive holds a link or another unexpected item where its own files belong. "
    "Nothing was written there.";

// The device identifier names a folder on the drive: it must stay one plain name.
bool isPlainFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

DriveRun::DriveRun(const LocalEngineServices& services, const LocalRunRequest& request, BackupIndex& index,
                   const EngineEventHandler& onEvent, const CancelToken& cancel)
    : services_(services), request_(request), index_(index), onEvent_(onEvent), cancel_(cancel) {}

DriveRun::Ending DriveRun::disconnected() {
    return {RunStatus::cancelled, disconnectedMessage, LogLine::Tone::warning, LocalOutcome::notConnected()};
}

DriveRun::Ending DriveRun::cancelled() {
    return {RunStatus::cancelled, cancelledMessage, LogLine::Tone::warning, LocalOutcome::cancelled()};
}

LocalRunResult DriveRun::run() {
    const LocalDestination::Availability availability = request_.destination.availability(services_.volumes);
    using Kind = LocalDestination::Availability::Kind;
    switch (availability.kind()) {
    case Kind::notConnected:
        return {request_.destination.id, std::nullopt, LocalOutcome::notConnected(), std::nullopt, false};
    case Kind::folderMissing:
        log("The backup folder on this drive wasn't found. Skipped.", LogLine::Tone::warning);
        return {request_.destination.id, std::nullopt,
                LocalOutcome::unavailable("The chosen folder isn't on the drive."), std::nullopt, false};
    case Kind::notWritable:
        log("The drive is read-only or full. Skipped.", LogLine::Tone::error);
        return {request_.destination.id, std::nullopt,
                LocalOutcome::unavailable("The drive can't be written to."), std::nullopt, false};
    case Kind::connected:
        break;
    }
    root_ = availability.backupRoot();

    record_.startedAt = services_.clock.now();
    record_.trigger = request_.trigger;
    record_.status = RunStatus::running;
    record_.id = services_.history.startRun(request_.trigger, record_.startedAt);
    progress_.phase = RunPhase::preparing;
    progress_.destination = request_.destination.name;

    try {
        emitProgress();
        if (record_.id == 0) {
            // A run that cannot even be entered in the history could record none of its copies.
            throw IndexFailure(IndexWrite::failed("the run couldn't be entered in the history"));
        }
        if (!isPlainFolderName(request_.deviceID)) {
            return finish({RunStatus::failed, invalidDeviceMessage, LogLine::Tone::error,
                           LocalOutcome::failed(invalidDeviceMessage)});
        }
        deviceFolder_ = LocalFormat::deviceFolder(root_, request_.deviceID);
        writeOrCheckHeader();
        prepareDeviceFolder();
        progress_.phase = RunPhase::checking;
        emitProgress();
        listAndReconcile();
        seedVersions();
        scanSources();
        markVanishedFiles();
        copyCandidates();
        finishUp();
        const bool clean = record_.failed == 0;
        return finish(
            {clean ? RunStatus::succeeded : RunStatus::partial, LocalBackupEngine::summaryText(record_),
             clean ? LogLine::Tone::ok : LogLine::Tone::warning,
             clean ? LocalOutcome::completed() : LocalOutcome::completedWithFailures(record_.failed)});
    } catch (const EndRun<Ending>& end) {
        return finish(end.ending);
    } catch (const CancelledError&) {
        return finish(cancelled());
    } catch (const std::exception& error) {
        const std::string message = driveErrorText(error);
        return finish({RunStatus::failed, message, LogLine::Tone::error, LocalOutcome::failed(message)});
    }
}

DriveRun::Ending DriveRun::unexpectedLayout() {
    return {RunStatus::failed, unexpectedLayoutMessage, LogLine::Tone::error,
            LocalOutcome::failed(unexpectedLayoutMessage)};
}

void DriveRun::writeOrCheckHeader() {
    std::error_code error;
    const auto status = fs::symlink_status(root_ / LocalFormat::headerFileName, error);
    if (!error && status.type() != fs::file_type::not_found && status.type() != fs::file_type::regular) {
        // A pipe, link or folder in the header's place: never read, never replaced.
        throw EndRun{unexpectedLayout()};
    }
    if (status.type() == fs::file_type::not_found) {
        const LocalFormat::BackupHeader header = LocalFormat::makeHeader(request_.key, services_.clock.now());
        if (const std::error_code written = LocalFormat::writeHeaderFile(root_, header)) {
            throw std::system_error(written, "write the backup header");
        }
        (void)LocalFormat::writeReadmeFile(root_);
        headerExisted_ = false;
        return;
    }
    if (error) {
        // A header we cannot look at is never replaced: it may belong to a good backup.
        throw std::system_error(error, "read the backup header");
    }
    headerExisted_ = true;
    const std::optional<LocalFormat::BackupHeader> header = LocalFormat::readHeaderFile(root_);
    if (!header || !LocalFormat::verifyKeyCheck(*header, request_.key)) {
        throw EndRun{Ending{RunStatus::blocked, keyMismatchMessage, LogLine::Tone::error,
                            LocalOutcome::keyMismatch()}};
    }
}

void DriveRun::prepareDeviceFolder() {
    // Level by level from the backup root, each a real folder: a link anywhere below the root would send
    // the objects, and the clean-up's deletions, to a folder of the computer.
    for (const fs::path& folder : {root_ / LocalFormat::devicesFolderName, deviceFolder_,
                                   deviceFolder_ / LocalFormat::objectsFolderName}) {
        const std::error_code error = services_.driveFiles.makeFolder(folder);
        if (error == std::errc::not_a_directory) {
            throw EndRun{unexpectedLayout()};
        }
        if (error) {
            throw std::system_error(error, "create the device folder");
        }
    }
    (void)LocalFormat::writeDeviceFile(deviceFolder_, request_.deviceName);
    groupFlush_.emplace(services_.driveFiles.startFlushes(deviceFolder_));
}

void DriveRun::listAndReconcile() {
    const std::optional<std::set<std::string>> listed = LocalCatalog::listObjects(deviceFolder_);
    if (!listed) {
        throw EndRun{Ending{RunStatus::failed, unreadableMessage, LogLine::Tone::warning,
                            LocalOutcome::failed("unreadable")}};
    }
    liveObjects_.insert(listed->begin(), listed->end());
    removeUnrecordedObjects();

    std::int64_t recorded = 0;
    std::int64_t missing = 0;
    for (const IndexedFile& row : index_.files()) {
        if (row.keldraFileID) {
            ++recorded;
            if (!liveObjects_.contains(*row.keldraFileID)) {
                ++missing;
            }
        }
    }
    // Only a drive that already held this backup can have lost copies; on a new backup root every
    // vanished copy is simply copied again.
    if (headerExisted_ && !request_.overrideMassChangeGuard && recorded >= 20 && missing * 2 >= recorded) {
        throw EndRun{Ending{RunStatus::paused,
                            formatCount(missing) + " of " + formatCount(recorded) +
                                " copies are missing from the drive. Paused for review.",
                            LogLine::Tone::warning, LocalOutcome::massChangeReview(0, missing, recorded)}};
    }
    const IndexWrite reconciled = index_.reconcileWithListing(liveObjects_);
    if (!reconciled) {
        // Rows naming objects that are gone would make their files look copied.
        throw IndexFailure(reconciled);
    }
    const std::int64_t cleared = reconciled.count();
    if (cleared >= 1) {
        log(formatCount(cleared) + " files are no longer on the drive. They'll be copied again.",
            LogLine::Tone::warning);
    }
}

void DriveRun::removeUnrecordedObjects() {
    const std::optional<std::string> listed = index_.meta(metakey::unrecordedObjects);
    if (!listed) {
        return;
    }
    // Objects an earlier run moved onto the drive but never recorded: it stopped before their group was
    // flushed, so their bytes may not all have reached the drive. None of them is kept as a copy; their
    // files are simply copied again.
    std::set<std::string> left;
    std::istringstream words(*listed);
    for (std::string id; words >> id;) {
        if (!LocalFormat::isObjectID(id)) {
            continue;
        }
        const bool named = !index_
                                .query("SELECT 1 FROM versions WHERE keldra_file_id = ? UNION ALL "
                                       "SELECT 1 FROM files WHERE keldra_file_id = ? LIMIT 1",
                                       {BackupIndex::Bind::text(id), BackupIndex::Bind::text(id)},
                                       [](const BackupIndex::Row&) { return true; })
                                .empty();
        if (named) {
            continue;
        }
        // A missing folder or file means the object never got there; a link in a folder's place is never
        // followed. Any other failure keeps the name listed for the next run.
        const fs::path object = LocalFormat::objectPath(deviceFolder_, id);
        std::error_code problem = LocalFormat::checkPlainFolders(deviceFolder_, object.parent_path());
        if (!problem) {
            problem = services_.driveFiles.removeItem(object);
        }
        if (problem && problem != std::errc::no_such_file_or_directory &&
            problem != std::errc::not_a_directory) {
            left.insert(id);
            continue;
        }
        liveObjects_.erase(id);
    }
    unrecordedObjects_ = left;
    if (const IndexWrite written = writeUnrecordedObjects(); !written) {
        throw IndexFailure(written);
    }
}

void DriveRun::seedVersions() {
    if (liveObjects_.empty() || !index_.files().empty()) {
        return;
    }
    seedCatalog_ = LocalCatalog::load(deviceFolder_, request_.key);
    LocalBackupEngine::seedVersions(seedCatalog_, index_);
}

void DriveRun::finishUp() {
    std::error_code error;
    if (!fs::is_directory(deviceFolder_ / LocalFormat::objectsFolderName, error)) {
        throw EndRun{disconnected()};
    }
    progress_.phase = RunPhase::cleaning;
    progress_.currentPath.reset();
    emitProgress();

    const LocalBackupEngine::DriveStore drive = store();
    const SystemTime at = services_.clock.now();
    record_.removed +=
        LocalBackupEngine::pruneVersions(request_.settings.versionRetentionDays, drive, liveObjects_, at);
    if (const auto& grace = request_.settings.deletedGraceDays) {
        record_.removed +=
            LocalBackupEngine::purgeDeletedFiles(*grace, scannedSourceIDs_, uncertain_, rules_, drive,
                                                 chosenOrPosix(services_.scanFileSystem), at);
    }
    LocalBackupEngine::cleanTemporaryFiles(deviceFolder_, services_.driveFiles);
    if (const IndexWrite written =
            index_.setMeta(metakey::lastSuccess, metaTimeText(toUnixSeconds(record_.startedAt)));
        !written) {
        throw IndexFailure(written);
    }
}

LocalRunResult DriveRun::finish(const Ending& given) {
    Ending ending = given;
    record_.finishedAt = services_.clock.now();
    record_.status = ending.status;
    record_.message = ending.message;
    const IndexWrite written = services_.history.finishRun(record_);
    if (!written && (ending.status == RunStatus::succeeded || ending.status == RunStatus::partial)) {
        // A run the history cannot show as done is not reported as done.
        const std::string message = indexFailedRunText(written);
        ending = {RunStatus::failed, message, LogLine::Tone::error, LocalOutcome::failed(message)};
        record_.status = ending.status;
        record_.message = ending.message;
    }
    log(ending.message, ending.tone);
    return {request_.destination.id, record_, ending.outcome,
            LocalDestination::availableCapacity(root_, services_.volumes), driveFull_};
}

void DriveRun::log(const std::string& message, LogLine::Tone tone) {
    emit(EngineEvent::log(
        LogLine::make(request_.destination.name + ": " + message, tone, services_.clock.now())));
}

void DriveRun::emitProgress() {
    progress_.scanned = record_.scanned;
    progress_.failed = record_.failed;
    emit(EngineEvent::progress(progress_));
}

void DriveRun::emit(const EngineEvent& event) {
    if (!onEvent_) {
        return;
    }
    try {
        onEvent_(event);
    } catch (...) {
        // A faulty listener must not break the copy it is watching, nor leave its run unrecorded.
    }
}

double DriveRun::now() const {
    return toUnixSeconds(services_.clock.now());
}

LocalBackupEngine::DriveStore DriveRun::store() const {
    return {deviceFolder_, index_, services_.driveFiles};
}

} // namespace keldra
