#include "core/events/ByteCount.h"
#include "core/fs/RegularFile.h"
#include "core/index/IndexStatements.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/DriveErrors.h"
#include "drive/run/DriveRun.h"

#include <cmath>
#include <limits>

namespace keldra {

namespace fs = std::filesystem;

namespace {

// Kept free beyond each copy, so the drive never fills to the last byte.
constexpr std::int64_t roomMargin = 536870912;
constexpr const char* changedReason = "Changed while it was being copied. It'll be tried again next run.";

// What an object of `size` plaintext bytes needs on the drive, with 1 MiB to spare.
std::int64_t spaceNeeded(std::int64_t size) {
    return size + 28 * (size / LocalFormat::chunkSize + 1) + LocalFormat::metadataSlotSize + 1048576;
}

} // namespace

void DriveRun::copyCandidates() {
    progress_.phase = RunPhase::copying;
    progress_.filesTotal = static_cast<std::int64_t>(candidates_.size());
    progress_.bytesTotal = totalSize(candidates_);
    emitProgress();
    if (candidates_.empty()) {
        log("No changes since the last copy.", LogLine::Tone::ok);
        return;
    }
    for (const Candidate& candidate : candidates_) {
        if (cancel_.stop_requested()) {
            throw EndRun{cancelled()};
        }
        progress_.currentPath = candidate.path;
        emitProgress();
        copy(candidate);
    }
}

bool DriveRun::ensureRoom(const Candidate& candidate) {
    const std::int64_t need = spaceNeeded(candidate.size);
    std::optional<std::int64_t> free = LocalDestination::availableCapacity(root_, services_.volumes);
    if (!free || *free >= need + roomMargin) {
        return true;
    }
    const std::int64_t freed =
        LocalBackupEngine::makeRoom(need + roomMargin - *free, store(), liveObjects_, services_.clock.now());
    if (freed >= 1) {
        log("Removed old versions to make room (" + formatByteCount(freed) + ").", LogLine::Tone::info);
    }
    free = LocalDestination::availableCapacity(root_, services_.volumes);
    if (!free || *free >= need + roomMargin) {
        return true;
    }
    driveFull_ = true;
    failFile(candidate, std::string(driveFullReason));
    return false;
}

void DriveRun::copy(const Candidate& candidate) {
    if (!ensureRoom(candidate)) {
        return;
    }
    const std::string objectID = LocalFormat::makeObjectID();
    const fs::path objectURL = LocalFormat::objectPath(deviceFolder_, objectID);
    const fs::path temporary = LocalFormat::temporaryObjectPath(deviceFolder_, objectID);
    const double copyTime = now();

    LocalFormat::WriteResult written;
    try {
        // One level only: if the drive went away and left its mount point behind, the missing "objects"
        // folder makes this fail instead of rebuilding the backup folder on the computer's own disk.
        if (const std::error_code error =
                services_.driveFiles.makeFolder(LocalFormat::objectFanoutFolder(deviceFolder_, objectID))) {
            if (error == std::errc::not_a_directory) {
                throw EndRun{unexpectedLayout()};
            }
            throw std::system_error(error, "create the object folder");
        }
        // One byte beyond the scanned size already shows the file changed; reading on could fill the drive.
        const std::int64_t readLimit =
            candidate.size < std::numeric_limits<std::int64_t>::max() ? candidate.size + 1 : candidate.size;
        written = services_.driveFiles.writeObject(
            candidate.url, readLimit, temporary, objectID, request_.key,
            [&](const std::string& checksum, std::int64_t size) {
                return LocalFormat::Metadata{candidate.path, size, candidate.mtime, copyTime, checksum};
            },
            [this](std::uint64_t length) { services_.meter.add(static_cast<std::int64_t>(length)); },
            cancel_);
    } catch (const CancelledError&) {
        (void)services_.driveFiles.removeItem(temporary);
        throw EndRun{cancelled()};
    } catch (const std::exception& error) {
        handleWriteError(candidate, temporary, error);
        return;
    }

    // The file must not have changed while it was read: the object would hold a mix of old and new bytes.
    const FileStamp stamp = fileStamp(candidate.url);
    if (written.plaintextLength != candidate.size || stamp.size != candidate.size ||
        std::fabs(stamp.mtime - candidate.mtime) >= 0.001) {
        (void)services_.driveFiles.removeItem(temporary);
        failFile(candidate, changedReason);
        return;
    }

    if (linkToExisting(candidate, written.checksum, temporary)) {
        return;
    }

    // Recorded before it is moved into place: a run cut short in between leaves a row whose object is
    // missing, which the next run's reconcile clears (and its clean-up removes the scratch file), never an
    // object that no row names.
    const IndexWrite recorded = index_.recordCopy(
        IndexedFile{candidate.path, candidate.sourceID, candidate.size, candidate.mtime, written.checksum,
                    objectID, copyTime, std::nullopt},
        IndexedVersion{objectID, candidate.path, candidate.size, copyTime, std::nullopt, 2}, copyTime);
    if (!recorded) {
        (void)services_.driveFiles.removeItem(temporary);
        failUnrecorded(candidate, recorded);
        return;
    }
    unrecordedCopies_ = 0;
    try {
        services_.driveFiles.moveItem(temporary, objectURL);
    } catch (const std::exception& error) {
        // The move may have happened before the folder's flush failed: the object goes with its record.
        (void)services_.driveFiles.removeItem(objectURL);
        forgetCopy(candidate, objectID, copyTime);
        handleWriteError(candidate, temporary, error);
        return;
    }
    liveObjects_.insert(objectID);
    ++record_.uploaded;
    record_.uploadedBytes += written.objectSize;
    advanceProgress(candidate);
}

bool DriveRun::linkToExisting(const Candidate& candidate, const std::string& checksum,
                              const fs::path& temporary) {
    const auto& existing = candidate.existing;
    if (existing && existing->keldraFileID) {
        if (existing->keyedHash != checksum) {
            return false;
        }
        const IndexWrite linked = index_.upsertFile(
            IndexedFile{candidate.path, candidate.sourceID, candidate.size, candidate.mtime,
                        existing->keyedHash, existing->keldraFileID, existing->backedUpAt, std::nullopt});
        if (!linked) {
            (void)services_.driveFiles.removeItem(temporary);
            failUnrecorded(candidate, linked);
            return true;
        }
    } else {
        const auto found = seedCatalog_.find(candidate.path);
        if (found == seedCatalog_.end() || found->second.empty()) {
            return false;
        }
        const LocalCatalog::Entry& newest = found->second.front();
        if (newest.meta.size != candidate.size || newest.meta.hmac != checksum) {
            return false;
        }
        const IndexWrite linked =
            index_.upsertFile(IndexedFile{candidate.path, candidate.sourceID, candidate.size, candidate.mtime,
                                          checksum, newest.objectID, newest.meta.created, std::nullopt});
        if (!linked) {
            (void)services_.driveFiles.removeItem(temporary);
            failUnrecorded(candidate, linked);
            return true;
        }
    }
    unrecordedCopies_ = 0;
    // The same content is already on the drive: the new copy is not kept.
    (void)services_.driveFiles.removeItem(temporary);
    ++record_.skipped;
    advanceProgress(candidate);
    return true;
}

void DriveRun::handleWriteError(const Candidate& candidate, const fs::path& temporary,
                                const std::exception& error) {
    (void)services_.driveFiles.removeItem(temporary);
    switch (classifyWriteError(error)) {
    case DriveWriteProblem::full:
        driveFull_ = true;
        failFile(candidate, std::string(driveFullReason));
        return;
    case DriveWriteProblem::readOnly:
        failFile(candidate, std::string(driveReadOnlyReason));
        return;
    case DriveWriteProblem::other:
        break;
    }
    std::error_code statusError;
    if (!fs::is_directory(root_, statusError)) {
        throw EndRun{disconnected()};
    }
    failFile(candidate, driveErrorText(error));
}

void DriveRun::failUnrecorded(const Candidate& candidate, const IndexWrite& write) {
    failFile(candidate, unrecordedCopyReason(write));
    if (++unrecordedCopies_ >= unrecordedCopyLimit) {
        throw IndexFailure(write);
    }
}

void DriveRun::forgetCopy(const Candidate& candidate, const std::string& objectID, double copyTime) {
    using Bind = BackupIndex::Bind;
    // Undoes recordCopy. Should any of it fail, the next run's reconcile clears what names a missing object.
    index_.execute(indexsql::deleteVersion, {Bind::text(objectID)});
    index_.execute("UPDATE versions SET superseded_at = NULL WHERE path = ? AND superseded_at = ?",
                   {Bind::text(candidate.path), Bind::real(copyTime)});
    if (candidate.existing) {
        (void)index_.upsertFile(*candidate.existing);
    } else {
        index_.execute(indexsql::deleteFile, {Bind::text(candidate.path)});
    }
}

void DriveRun::failFile(const Candidate& candidate, const std::string& reason) {
    ++record_.failed;
    services_.history.addFailure(record_.id, candidate.path, request_.destination.name + ": " + reason);
    log(shownPath(candidate.path) + ": " + reason, LogLine::Tone::error);
    advanceProgress(candidate);
}

void DriveRun::advanceProgress(const Candidate& candidate) {
    progress_.filesDone += 1;
    progress_.bytesDone += candidate.size;
    emitProgress();
}

} // namespace keldra
