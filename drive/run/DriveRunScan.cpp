#include "core/events/NumberFormat.h"
#include "core/index/IndexStatements.h"
#include "core/scan/MassChange.h"
#include "drive/run/DriveErrors.h"
#include "drive/run/DriveRun.h"

#include <cmath>

namespace keldra {

namespace {

constexpr std::int64_t progressEveryFiles = 500;

} // namespace

void DriveRun::scanSources() {
    progress_.phase = RunPhase::scanning;
    emitProgress();
    rules_ = ExclusionRules::fromSettings(request_.settings);

    // The drive's own backup folder is never backed up into itself.
    std::vector<std::string> skipRoots{SourceScanner::standardizePath(root_.string())};
    for (const std::string& root : request_.skipRoots) {
        skipRoots.push_back(SourceScanner::standardizePath(root));
    }
    const SourceScanner scanner(chosenOrPosix(services_.scanFileSystem));
    for (const BackupSource& source : request_.sources) {
        throwIfCancelled(cancel_);
        const BackupSource::Availability availability =
            services_.sourceProbe ? BackupSource::availability(source, *services_.sourceProbe)
                                  : BackupSource::availability(source);
        if (availability.kind != BackupSource::Availability::Kind::available) {
            continue;
        }
        scanSource(source, scanner, skipRoots);
    }
}

void DriveRun::scanSource(const BackupSource& source, const SourceScanner& scanner,
                          const std::vector<std::string>& skipRoots) {
    sourceVisits_ = 0;
    scanner.scan(
        source, rules_, uncertain_, skipRoots,
        [&](const std::string& path, std::int64_t size, double mtime) {
            visit(path, SourceScanner::fileToRead(source, path), size, mtime, source.id);
        },
        [&](const ScanFailure& failure) {
            failScannedFile(BackupSource::abbreviatePath(failure.displayPath), failure.reason);
        },
        cancel_);

    // An emptied folder, or a mount point left behind by an unmounted drive, must never make the copies of
    // its files look deleted (and later be purged).
    if (sourceVisits_ == 0 && index_.hasCopies(source.id)) {
        log(shownPath(BackupSource::abbreviatePath(source.path)) +
                " looks empty. Skipped; nothing on the drive is removed.",
            LogLine::Tone::warning);
        return;
    }
    scannedSourceIDs_.insert(source.id);
}

void DriveRun::visit(const std::string& absolutePath, const std::string& readFrom, std::int64_t size,
                     double mtime, const std::string& sourceID) {
    ++sourceVisits_;
    std::string path = BackupSource::abbreviatePath(absolutePath);
    // Overlapping sources report a file twice; it counts once.
    if (!seenPaths_.insert(path).second) {
        return;
    }
    ++record_.scanned;

    std::optional<IndexedFile> row = index_.file(path);
    const bool unchanged =
        row && row->keldraFileID && row->size == size && std::fabs(row->mtime - mtime) < 0.001;
    if (unchanged) {
        if (row->missingSince) {
            index_.execute(indexsql::setMissingSince,
                           {BackupIndex::Bind::null(), BackupIndex::Bind::text(path)});
        }
    } else {
        candidates_.push_back(Candidate{readFrom, std::move(path), sourceID, size, mtime, std::move(row)});
    }
    if (record_.scanned % progressEveryFiles == 0) {
        emitProgress();
    }
}

void DriveRun::markVanishedFiles() {
    std::int64_t protectedCount = 0;
    std::vector<std::string> removed;
    for (const IndexedFile& row : index_.files()) {
        if (!row.keldraFileID || !scannedSourceIDs_.contains(row.sourceID)) {
            continue;
        }
        ++protectedCount;
        if (!row.missingSince && !seenPaths_.contains(row.path) && !uncertain_.contains(row.path) &&
            !rules_.isExcluded(row.path)) {
            removed.push_back(row.path);
        }
    }
    const std::int64_t changed = changedCount(candidates_);
    const auto removedCount = static_cast<std::int64_t>(removed.size());
    if (request_.settings.massChangeGuard && !request_.overrideMassChangeGuard &&
        isMassChange(protectedCount, changed, removedCount)) {
        throw EndRun{Ending{RunStatus::paused,
                            formatCount(changed) + " files changed and " + formatCount(removedCount) +
                                " removed since the last copy. Paused for review.",
                            LogLine::Tone::warning,
                            LocalOutcome::massChangeReview(changed, removedCount, protectedCount)}};
    }
    const double at = now();
    for (const std::string& path : removed) {
        index_.execute(indexsql::setMissingSince,
                       {BackupIndex::Bind::real(at), BackupIndex::Bind::text(path)});
    }
}

void DriveRun::failScannedFile(const std::string& path, const std::string& reason) {
    ++record_.failed;
    services_.history.addFailure(record_.id, path, request_.destination.name + ": " + reason);
    log(shownPath(path) + ": " + reason, LogLine::Tone::error);
    emitProgress();
}

} // namespace keldra
