#include "core/events/NumberFormat.h"
#include "core/index/IndexStatements.h"
#include "core/scan/MassChange.h"
#include "core/text/ShownPath.h"
#include "engine/CloudRun.h"

#include <cmath>

namespace keldra {

void CloudRun::scanSources() {
    progress_.phase = RunPhase::scanning;
    emitProgress();
    rules_ = ExclusionRules::fromSettings(request_.settings);

    const SourceScanner scanner(chosenOrPosix(services_.scanFileSystem));
    for (const BackupSource& source : request_.sources) {
        scanSource(source, scanner);
    }
    if (!uncertain_.empty()) {
        log("Some folders couldn't be read. Their backups are kept and nothing under them is treated as "
            "deleted.",
            LogLine::Tone::warning);
    }
}

void CloudRun::scanSource(const BackupSource& source, const SourceScanner& scanner) {
    throwIfCancelled(cancel_);
    const BackupSource::Availability availability =
        services_.sourceProbe ? BackupSource::availability(source, *services_.sourceProbe)
                              : BackupSource::availability(source);
    const std::string display = BackupSource::abbreviatePath(source.path);
    using Kind = BackupSource::Availability::Kind;
    switch (availability.kind) {
    case Kind::driveDisconnected:
        unavailableSources_[source.id] = availability;
        log(availability.volumeName + " isn't connected. Skipped " + display +
                "; nothing in the Keldra is removed.",
            LogLine::Tone::warning);
        return;
    case Kind::noPermission:
        unavailableSources_[source.id] = availability;
        log("Your system blocked access to " + display + ". Allow it in the folder's permissions.",
            LogLine::Tone::error);
        return;
    case Kind::missing:
        unavailableSources_[source.id] = availability;
        log(display + " wasn't found. Skipped; nothing in the Keldra is removed.", LogLine::Tone::warning);
        return;
    case Kind::available:
        break;
    }

    sourceFileCount_ = 0;
    scanner.scan(
        source, rules_, uncertain_, request_.skipRoots,
        [&](const std::string& path, std::int64_t size, double mtime) {
            considerScannedFile(path, SourceScanner::fileToRead(source, path), size, mtime, source.id);
        },
        [&](const ScanFailure& failure) {
            countFailure(BackupSource::abbreviatePath(failure.displayPath), failure.reason);
        },
        cancel_);

    // An emptied or unmounted folder must never make its backups look deleted.
    if (sourceFileCount_ == 0 && services_.index.hasCopies(source.id)) {
        unavailableSources_[source.id] = BackupSource::Availability::missing();
        log(display + " looks empty. Skipped; nothing in the Keldra is removed.", LogLine::Tone::warning);
        return;
    }
    scannedSources_.insert(source.id);
}

void CloudRun::considerScannedFile(const std::string& absolutePath, const std::string& readFrom,
                                   std::int64_t size, double mtime, const std::string& sourceID) {
    std::string path = BackupSource::abbreviatePath(absolutePath);
    // Overlapping sources report a file twice; it counts once.
    if (!seenPaths_.insert(path).second) {
        return;
    }
    ++record_.scanned;
    ++sourceFileCount_;

    std::optional<IndexedFile> row = services_.index.file(path);
    const bool unchanged =
        row && row->keldraFileID && row->size == size && std::fabs(row->mtime - mtime) < 0.001;
    if (unchanged) {
        if (row->missingSince) {
            services_.index.execute(indexsql::setMissingSince,
                                    {BackupIndex::Bind::null(), BackupIndex::Bind::text(path)});
        }
        return;
    }
    candidates_.push_back(Candidate{readFrom, std::move(path), sourceID, size, mtime, std::move(row)});
    if (record_.scanned % 500 == 0) {
        progress_.scanned = record_.scanned;
        emitProgress();
    }
}

std::vector<IndexedFile> CloudRun::markDeletions() {
    std::vector<IndexedFile> removed;
    std::int64_t protectedCount = 0;
    for (IndexedFile& row : services_.index.files()) {
        if (!scannedSources_.contains(row.sourceID)) {
            continue;
        }
        if (row.keldraFileID) {
            ++protectedCount;
        }
        const bool kept =
            seenPaths_.contains(row.path) || uncertain_.contains(row.path) || rules_.isExcluded(row.path);
        if (!kept && !row.missingSince && row.keldraFileID) {
            removed.push_back(std::move(row));
        }
    }

    const std::int64_t changed = changedCount(candidates_);
    const auto removedCount = static_cast<std::int64_t>(removed.size());
    if (request_.settings.massChangeGuard && !request_.overrideMassChangeGuard &&
        isMassChange(protectedCount, changed, removedCount)) {
        throw EndRun{RunEnding::massChangeReview(changed, removedCount, protectedCount)};
    }
    return removed;
}

void CloudRun::writeMissingMarks(const std::vector<IndexedFile>& removed) {
    const double at = now();
    for (const IndexedFile& row : removed) {
        services_.index.execute(indexsql::setMissingSince,
                                {BackupIndex::Bind::real(at), BackupIndex::Bind::text(row.path)});
    }
    if (removed.empty()) {
        return;
    }
    const std::string count = formatCount(static_cast<std::int64_t>(removed.size()));
    if (const auto& grace = request_.settings.deletedGraceDays) {
        log(count + " files were deleted on this computer; their backups are kept in the Keldra for " +
                std::to_string(*grace) + " days.",
            LogLine::Tone::info);
    } else {
        log(count + " files were deleted on this computer; their backups are kept in the Keldra.",
            LogLine::Tone::info);
    }
}

void CloudRun::countFailure(const std::string& path, const std::string& reason) {
    ++record_.failed;
    progress_.failed = record_.failed;
    services_.index.addFailure(record_.id, path, reason);
    log(shownPath(path) + ": " + reason, LogLine::Tone::error);
}

} // namespace keldra
