#include "core/SaturatingMath.h"
#include "engine/CloudRun.h"
#include "engine/FileBackup.h"
#include "engine/ReadAhead.h"
#include "service/api/BlockReasonMapping.h"

#include <new>

namespace keldra {

namespace {

constexpr std::int64_t connectionFailureLimit = 8;

// A failure that says the connection, not the file, is the trouble.
bool isConnectionFailure(const std::exception& error) {
    if (dynamic_cast<const StorageError*>(&error) != nullptr) {
        return true;
    }
    if (const auto* api = dynamic_cast<const KeldraAPIError*>(&error)) {
        using Kind = KeldraAPIError::Kind;
        return api->kind() == Kind::rateLimited || api->kind() == Kind::transport ||
               (api->kind() == Kind::server && api->status() >= 500);
    }
    return false;
}

std::string describe(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error)) {
        return own->message();
    }
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        return "Not enough free memory to back up this file right now. It'll be tried again next run.";
    }
    return error.what();
}

} // namespace

void CloudRun::uploadCandidates() {
    progress_.phase = RunPhase::uploading;
    progress_.filesTotal = static_cast<std::int64_t>(candidates_.size());
    progress_.bytesTotal = totalSize(candidates_);
    emitProgress();
    if (candidates_.empty()) {
        log("No changes since the last backup.", LogLine::Tone::ok);
        return;
    }

    FileBackup backup(services_, request_, cancel_,
                      [this](const std::string& text, LogLine::Tone tone) { log(text, tone); });
    // The next files are read and sealed while this one travels; declared after `backup`, so it stops
    // before `backup` goes, whichever way the loop ends.
    const std::optional<std::int64_t> planLimit = FileBackup::planLimitBytes(*status_);
    ReadAhead readAhead(
        candidates_,
        [&backup, planLimit, this](const Candidate& candidate) {
            return backup.prepare(candidate, planLimit, catalog_.byPath);
        },
        cancel_);
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        const Candidate& candidate = candidates_[i];
        throwIfCancelled(cancel_);
        progress_.currentPath = candidate.path;
        emitProgress();
        uploadOne(candidate, backup, readAhead.take(i));
        progress_.filesDone = static_cast<std::int64_t>(i + 1);
        progress_.bytesDone = saturatingAdd(progress_.bytesDone, candidate.size);
        emitProgress();
    }
}

void CloudRun::uploadOne(const Candidate& candidate, FileBackup& backup,
                         std::optional<PreparedFile> prepared) {
    try {
        const FileUpload upload =
            backup.backUpFile(candidate, *status_, catalog_.byPath, std::move(prepared));
        if (upload.keldraFileID) {
            uploadedIDs_.insert(*upload.keldraFileID);
            ++record_.uploaded;
            record_.uploadedBytes = saturatingAdd(record_.uploadedBytes, upload.encryptedBytes);
            // Until one check passed every upload is checked; after that only names long enough to be at risk
            // of being cut by the portal.
            if (!sealedNamesVerified_ || upload.sealedName.size() >= 256) {
                connectionFailures_ = 0;
                backup.verifySealedName(*upload.keldraFileID, upload.sealedName, candidate.path);
                sealedNamesVerified_ = true;
            }
        } else {
            ++record_.skipped;
        }
        connectionFailures_ = 0;
        unrecordedCopies_ = 0;
    } catch (const CancelledError&) {
        throw;
    } catch (const FileError& error) {
        countFailure(candidate.path, error.reason());
        if (error.kind() == FileError::Kind::unrecorded) {
            if (++unrecordedCopies_ >= unrecordedCopyLimit) {
                throw IndexFailure(error.indexWrite());
            }
            return;
        }
        unrecordedCopies_ = 0;
        if (error.kind() == FileError::Kind::quota && !storageFullSent_) {
            storageFullSent_ = true;
            emit(EngineEvent::storageFull());
        }
    } catch (const std::exception& error) {
        if (const auto* api = dynamic_cast<const KeldraAPIError*>(&error);
            api != nullptr && blockReason(*api)) {
            throw;
        }
        countFailure(candidate.path, describe(error));
        if (isConnectionFailure(error)) {
            ++connectionFailures_;
            if (connectionFailures_ >= connectionFailureLimit) {
                throw KeldraAPIError::transport(
                    "Lost the connection to the Keldra. The next run picks up where this one stopped.");
            }
        }
    }
}

} // namespace keldra
