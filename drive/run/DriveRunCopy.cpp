#include "core/events/ByteCount.h"
#include "core/fs/RegularFile.h"
#include "core/index/IndexStatements.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/DriveErrors.h"
#include "drive/run/DriveRun.h"
#include "drive/run/SourceReadAhead.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace keldra {

namespace fs = std::filesystem;

namespace {

// Kept free beyond each copy, so the drive never fills to the last byte.
constexpr std::int64_t roomMargin = 536870912;
std::string joinIDs(const std::set<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids) {
        if (!text.empty()) {
            text += ' ';
        }
        text += id;
    }
    return text;
}

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
    try {
        {
            // Joined on every way out of this block, before the group is committed or abandoned.
            SourceReadAhead readAhead(candidates_, SourceReadAhead::Window{});
            for (std::size_t index = 0; index < candidates_.size(); ++index) {
                const Candidate& candidate = candidates_[index];
                if (cancel_.stop_requested()) {
                    throw EndRun{cancelled()};
                }
                readAhead.reached(index);
                if (flushingGroupDone()) {
                    finishFlushingGroup();
                }
                progress_.currentPath = candidate.path;
                emitProgress();
                copy(candidate);
            }
        }
        commitGroup();
    } catch (const EndRun<Ending>& end) {
        // A stop keeps the finished copies: they are flushed and recorded before the run ends. Any other
        // ending (the drive gone, the index broken) records none of the filling group.
        try {
            if (end.ending.outcome == LocalOutcome::cancelled()) {
                commitGroup();
            } else {
                abandonGroup();
            }
        } catch (...) {
            // The last group could not be kept either (its folder gone, say): that ending is the run's.
            abandonGroup();
            releaseFreshObjectIDs();
            throw;
        }
        releaseFreshObjectIDs();
        throw;
    } catch (...) {
        abandonGroup();
        releaseFreshObjectIDs();
        throw;
    }
    releaseFreshObjectIDs();
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
    const std::optional<std::string> reserved = reserveObjectID(candidate);
    if (!reserved) {
        return;
    }
    const std::string& objectID = *reserved;
    // An identifier whose object never stays on the drive needs no listing; the index learns with its next
    // write.
    struct Forget {
        DriveRun& run;
        const std::string& objectID;
        bool keep = false;
        ~Forget() {
            if (!keep && run.unrecordedObjects_.erase(objectID) > 0) {
                run.unrecordedListChanged_ = true;
            }
        }
    } forget{*this, objectID};
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
            [this](std::uint64_t length) { services_.meter.add(static_cast<std::int64_t>(length)); }, cancel_,
            chunkBuffers_);
    } catch (const CancelledError&) {
        (void)removeFromDrive(temporary);
        throw EndRun{cancelled()};
    } catch (const std::exception& error) {
        handleWriteError(candidate, temporary, error);
        return;
    }

    // The file must not have changed while it was read: the object would hold a mix of old and new bytes.
    const FileStamp stamp = fileStamp(candidate.url);
    if (written.plaintextLength != candidate.size || stamp.size != candidate.size ||
        std::fabs(stamp.mtime - candidate.mtime) >= 0.001) {
        (void)removeFromDrive(temporary);
        failFile(candidate, changedReason);
        return;
    }

    if (linkToExisting(candidate, written.checksum, temporary)) {
        return;
    }

    try {
        services_.driveFiles.moveItem(temporary, objectURL);
    } catch (const std::exception& error) {
        // The rename may have happened before it failed: neither name is left behind.
        const std::error_code removal = removeFromDrive(objectURL);
        forget.keep = removal && removal != std::errc::no_such_file_or_directory;
        handleWriteError(candidate, temporary, error);
        return;
    }
    forget.keep = true;
    if (group_.empty()) {
        groupStarted_ = std::chrono::steady_clock::now();
    }
    group_.push_back(PlacedCopy{&candidate, objectID, copyTime, written.checksum, written.objectSize});
    groupBytes_ += written.objectSize;
    if (groupIsFull()) {
        handOverGroup();
    }
}

std::optional<std::string> DriveRun::reserveObjectID(const Candidate& candidate) {
    if (freshObjectIDs_.empty()) {
        // Listed in the index before any of them can reach the drive, so a run cut short leaves no object
        // that the next run cannot find and remove.
        std::vector<std::string> batch;
        for (std::size_t i = 0; i < std::max<std::size_t>(services_.copyGroup.files, 1); ++i) {
            batch.push_back(LocalFormat::makeObjectID());
        }
        unrecordedObjects_.insert(batch.begin(), batch.end());
        // On the disk before any of them is used: a reservation lost to a power cut would leave objects no
        // list names.
        if (const IndexWrite written = writeUnrecordedObjects(IndexCommit::durable); !written) {
            for (const std::string& id : batch) {
                unrecordedObjects_.erase(id);
            }
            failUnrecorded(candidate, written);
            return std::nullopt;
        }
        freshObjectIDs_ = std::move(batch);
    }
    std::string id = std::move(freshObjectIDs_.back());
    freshObjectIDs_.pop_back();
    return id;
}

bool DriveRun::groupIsFull() const {
    const CopyGroupLimits& limits = services_.copyGroup;
    return group_.size() >= limits.files || groupBytes_ >= limits.bytes ||
           std::chrono::steady_clock::now() - groupStarted_ >= limits.age;
}

void DriveRun::listGroupItems(const std::vector<PlacedCopy>& group, std::vector<fs::path>& objects,
                              std::vector<fs::path>& folders) const {
    // The objects folder too, and each fan-out folder: one made for this group must itself survive a power
    // cut.
    folders.push_back(deviceFolder_ / LocalFormat::objectsFolderName);
    for (const PlacedCopy& placed : group) {
        objects.push_back(LocalFormat::objectPath(deviceFolder_, placed.objectID));
        if (std::find(folders.begin(), folders.end(), objects.back().parent_path()) == folders.end()) {
            folders.push_back(objects.back().parent_path());
        }
    }
}

void DriveRun::handOverGroup() {
    finishFlushingGroup();
    std::optional<GroupFlush> next;
    try {
        // Opened before the next group's first write, so that group's flush hears of every error since.
        next.emplace(groupFlush_->forNextGroup());
    } catch (const std::system_error&) {
        // The group is flushed and recorded here, before anything more is written.
        commitGroup();
        return;
    }
    FlushingGroup& flushing = flushing_.emplace(
        FlushingGroup{std::exchange(group_, {}), {}, {}, std::exchange(*groupFlush_, std::move(*next)), {}});
    groupBytes_ = 0;
    listGroupItems(flushing.copies, flushing.objects, flushing.folders);
    auto flush = [&files = services_.driveFiles, &flushing] {
        files.flushItems(flushing.flush, flushing.objects, flushing.folders);
    };
    try {
        flushing.flushed = std::async(std::launch::async, flush);
    } catch (const std::system_error&) {
        // No thread to spare: the flush runs on this one when the group is finished.
        flushing.flushed = std::async(std::launch::deferred, flush);
    }
}

bool DriveRun::flushingGroupDone() const {
    return flushing_ && flushing_->flushed.wait_for(std::chrono::seconds(0)) != std::future_status::timeout;
}

void DriveRun::finishFlushingGroup() {
    if (!flushing_) {
        return;
    }
    std::exception_ptr failure;
    try {
        flushing_->flushed.get();
    } catch (...) {
        failure = std::current_exception();
    }
    const std::vector<PlacedCopy> group = std::move(flushing_->copies);
    flushing_.reset();
    if (!failure) {
        recordGroup(group);
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        failGroup(group, error);
    }
}

void DriveRun::commitGroup() {
    finishFlushingGroup();
    if (group_.empty()) {
        return;
    }
    const std::vector<PlacedCopy> group = std::exchange(group_, {});
    groupBytes_ = 0;
    std::vector<fs::path> objects;
    std::vector<fs::path> folders;
    listGroupItems(group, objects, folders);
    try {
        services_.driveFiles.flushItems(*groupFlush_, objects, folders);
    } catch (const std::exception& error) {
        failGroup(group, error);
        return;
    }
    recordGroup(group);
}

void DriveRun::failGroup(const std::vector<PlacedCopy>& group, const std::exception& error) {
    // None of the group is known to be on the drive: none of it is recorded.
    removeGroupObjects(group);
    failForWriteError(candidatesOf(group), error);
}

std::vector<const Candidate*> DriveRun::candidatesOf(const std::vector<PlacedCopy>& group) {
    std::vector<const Candidate*> candidates;
    for (const PlacedCopy& placed : group) {
        candidates.push_back(placed.candidate);
    }
    return candidates;
}

void DriveRun::recordGroup(const std::vector<PlacedCopy>& group) {
    if (!deviceFolderIsHeld()) {
        // The backup folder went away under the run: none of the group is recorded and the run ends.
        removeGroupObjects(group);
        throw EndRun{disconnected()};
    }
    std::vector<BackupIndex::NewCopy> copies;
    std::set<std::string> stillUnrecorded = unrecordedObjects_;
    for (const PlacedCopy& placed : group) {
        const Candidate& candidate = *placed.candidate;
        copies.push_back(BackupIndex::NewCopy{
            IndexedFile{candidate.path, candidate.sourceID, candidate.size, candidate.mtime, placed.checksum,
                        placed.objectID, placed.copyTime, std::nullopt},
            IndexedVersion{placed.objectID, candidate.path, candidate.size, placed.copyTime, std::nullopt, 2},
            placed.copyTime});
        stillUnrecorded.erase(placed.objectID);
    }
    const IndexWrite recorded = index_.recordCopies(
        copies, metakey::unrecordedObjects,
        stillUnrecorded.empty() ? std::nullopt : std::optional<std::string>(joinIDs(stillUnrecorded)));
    if (!recorded) {
        removeGroupObjects(group);
        for (const Candidate* candidate : candidatesOf(group)) {
            failFile(*candidate, unrecordedCopyReason(recorded));
        }
        unrecordedCopies_ += static_cast<int>(group.size());
        if (unrecordedCopies_ >= unrecordedCopyLimit) {
            throw IndexFailure(recorded);
        }
        return;
    }
    unrecordedObjects_ = std::move(stillUnrecorded);
    unrecordedListChanged_ = false;
    unrecordedCopies_ = 0;
    for (const PlacedCopy& placed : group) {
        liveObjects_.insert(placed.objectID);
        ++record_.uploaded;
        record_.uploadedBytes += placed.objectSize;
        advanceProgress(*placed.candidate);
    }
}

void DriveRun::releaseFreshObjectIDs() {
    for (const std::string& id : std::exchange(freshObjectIDs_, {})) {
        unrecordedObjects_.erase(id);
        unrecordedListChanged_ = true;
    }
    // Should this fail, the next run finds nothing under the names left and forgets them.
    if (unrecordedListChanged_) {
        (void)writeUnrecordedObjects();
    }
}

void DriveRun::abandonGroup() {
    // A group already flushing is kept if its flush succeeded, as it would have been had it been flushed
    // before the filling group began; the run ends for its own reason whatever happens here.
    try {
        finishFlushingGroup();
    } catch (...) {
    }
    removeGroupObjects(std::exchange(group_, {}));
    groupBytes_ = 0;
}

void DriveRun::removeGroupObjects(const std::vector<PlacedCopy>& group) {
    bool changed = false;
    for (const PlacedCopy& placed : group) {
        // Only an object known to be gone from the drive leaves the list: through the path, a drive that
        // left its mount point would answer "no such file" for an object still on it.
        const std::error_code removal =
            removeFromDrive(LocalFormat::objectPath(deviceFolder_, placed.objectID));
        if (!removal || removal == std::errc::no_such_file_or_directory) {
            changed = unrecordedObjects_.erase(placed.objectID) > 0 || changed;
        }
    }
    // Should this fail, the index still lists them and the next run removes them.
    if (changed) {
        (void)writeUnrecordedObjects();
    }
}

std::error_code DriveRun::removeFromDrive(const fs::path& path) const {
    return services_.driveFiles.removeItemAt(groupFlush_->folder(), path.lexically_relative(deviceFolder_));
}

bool DriveRun::deviceFolderIsHeld() const {
    // Deleted (no links left), or another folder now at its path: what the run wrote is not where the
    // drive's backup is.
    struct stat held {};
    struct stat named {};
    return ::fstat(groupFlush_->folder(), &held) == 0 && held.st_nlink > 0 &&
           ::lstat(deviceFolder_.c_str(), &named) == 0 && S_ISDIR(named.st_mode) &&
           named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

IndexWrite DriveRun::writeUnrecordedObjects(IndexCommit commit) {
    unrecordedListChanged_ = false;
    return index_.setMeta(
        metakey::unrecordedObjects,
        unrecordedObjects_.empty() ? std::nullopt : std::optional<std::string>(joinIDs(unrecordedObjects_)),
        commit);
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
            (void)removeFromDrive(temporary);
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
            (void)removeFromDrive(temporary);
            failUnrecorded(candidate, linked);
            return true;
        }
    }
    unrecordedCopies_ = 0;
    // The same content is already on the drive: the new copy is not kept.
    (void)removeFromDrive(temporary);
    ++record_.skipped;
    advanceProgress(candidate);
    return true;
}

void DriveRun::handleWriteError(const Candidate& candidate, const fs::path& temporary,
                                const std::exception& error) {
    (void)removeFromDrive(temporary);
    failForWriteError({&candidate}, error);
}

void DriveRun::failForWriteError(const std::vector<const Candidate*>& candidates,
                                 const std::exception& error) {
    std::string reason;
    switch (classifyWriteError(error)) {
    case DriveWriteProblem::full:
        driveFull_ = true;
        reason = driveFullReason;
        break;
    case DriveWriteProblem::readOnly:
        reason = driveReadOnlyReason;
        break;
    case DriveWriteProblem::other: {
        std::error_code statusError;
        if (!fs::is_directory(root_, statusError)) {
            throw EndRun{disconnected()};
        }
        reason = driveErrorText(error);
        break;
    }
    }
    for (const Candidate* candidate : candidates) {
        failFile(*candidate, reason);
    }
}

void DriveRun::failUnrecorded(const Candidate& candidate, const IndexWrite& write) {
    failFile(candidate, unrecordedCopyReason(write));
    if (++unrecordedCopies_ >= unrecordedCopyLimit) {
        throw IndexFailure(write);
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
