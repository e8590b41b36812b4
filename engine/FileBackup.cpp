#include "engine/FileBackup.h"

#include "core/SaturatingMath.h"
#include "core/codec/Base64.h"
#include "core/crypto/KeldraKey.h"
#include "core/events/ByteCount.h"
#include "core/fs/RegularFile.h"
#include "core/index/IndexStatements.h"
#include "engine/SentCounter.h"
#include "restore/engine/WithRetry.h"
#include "service/api/BlockReasonMapping.h"
#include "service/storage/StorageLink.h"
#include "service/types/ServerDate.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace keldra {

namespace {

constexpr std::int64_t sealTagBytes = 16;
constexpr std::int64_t memoryGuardThreshold = 64LL * 1024 * 1024;
constexpr std::int64_t memoryGuardHeadroom = 128LL * 1024 * 1024;

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

FileBackup::FileBackup(const EngineServices& services, const RunRequest& request, const CancelToken& cancel,
                       RunLog log)
    : services_(services), request_(request), cancel_(cancel), log_(std::move(log)) {}

std::optional<std::int64_t> FileBackup::planLimitBytes(const KeldraStatus& status) {
    if (status.maxFileSizeMb) {
        const std::int64_t units = status.maxFileSizeMb->value;
        if (units >= 1 && units < (std::int64_t{1} << 43)) {
            return units << 20;
        }
    }
    return std::nullopt;
}

bool FileBackup::memoryAllows(std::int64_t size) const {
    if (size < memoryGuardThreshold) {
        return true;
    }
    const std::int64_t need = saturatingAdd(saturatingMul(size, 3), memoryGuardHeadroom);
    return static_cast<std::uint64_t>(need) < services_.memory.availableMemoryBytes();
}

std::optional<FileBackup::KnownCopy>
FileBackup::knownCopy(const Candidate& candidate, const std::string& checksum,
                      const std::map<std::string, std::vector<RemoteEntry>>& byPath) {
    const std::optional<IndexedFile>& existing = candidate.existing;
    if (existing && existing->keldraFileID && existing->keyedHash && *existing->keyedHash == checksum) {
        return KnownCopy{};
    }
    if (!existing || !existing->keldraFileID) {
        const auto listed = byPath.find(candidate.path);
        if (listed != byPath.end() && !listed->second.empty()) {
            const KeldraFile& file = listed->second.front().file;
            const std::int64_t listedSize = file.sizeBytes ? file.sizeBytes->value : 0;
            if (listedSize == candidate.size && file.checksumSha256 &&
                lowercased(*file.checksumSha256) == checksum) {
                return KnownCopy{&file};
            }
        }
    }
    return std::nullopt;
}

std::optional<PreparedFile>
FileBackup::prepare(const Candidate& candidate, std::optional<std::int64_t> planLimit,
                    const std::map<std::string, std::vector<RemoteEntry>>& byPath) const {
    try {
        if ((planLimit && candidate.size > *planLimit) || !memoryAllows(candidate.size)) {
            return std::nullopt;
        }
        // One pass only: a file that is not as the scan saw it gets its wait and second read at its turn.
        RegularFileRead read = readRegularFile(candidate.url, readLimit(candidate));
        if (read.error != 0 ||
            !matchesScan(candidate, static_cast<std::int64_t>(read.bytes.size()), fileStamp(candidate.url))) {
            return std::nullopt;
        }
        PreparedFile prepared;
        prepared.checksum =
            keyedChecksumHex(request_.key.checksumKey(), read.bytes.data(), read.bytes.size());
        if (!knownCopy(candidate, prepared.checksum, byPath)) {
            auto [iv, body] = request_.key.seal(read.bytes);
            Bytes().swap(read.bytes);
            prepared.iv = std::move(iv);
            prepared.body = std::move(body);
            prepared.sealedName = request_.key.sealName(candidate.path);
            prepared.sealed = true;
        }
        return prepared;
    } catch (...) {
        return std::nullopt;
    }
}

FileUpload FileBackup::backUpFile(const Candidate& candidate, KeldraStatus& status,
                                  const std::map<std::string, std::vector<RemoteEntry>>& byPath,
                                  std::optional<PreparedFile> prepared) {
    // 1. The plan's per-file limit, in MiB.
    if (const std::optional<std::int64_t> limit = planLimitBytes(status); limit && candidate.size > *limit) {
        throw FileError::skip("Larger than your plan's " + formatByteCount(*limit) + " per-file limit.");
    }
    // 2. Storage left, counting the sealing tag.
    const std::int64_t quota = status.quotaBytes.value;
    const std::int64_t used = status.usedBytes.value;
    if (quota >= 1) {
        const std::int64_t needed = saturatingAdd(saturatingAdd(used, candidate.size), sealTagBytes);
        if (quota < needed) {
            const std::int64_t freeBytes = std::max<std::int64_t>(saturatingSub(quota, used), 0);
            throw FileError::quota("Not enough Keldra storage left (" + formatByteCount(freeBytes) +
                                   " free).");
        }
    }
    // A file prepared ahead stands for the file only while it still looks as the scan saw it, and only in
    // the form this turn needs (sealed, or recorded without upload).
    if (prepared && (!matchesScan(candidate, candidate.size, fileStamp(candidate.url)) ||
                     (!prepared->sealed && !knownCopy(candidate, prepared->checksum, byPath)))) {
        prepared.reset();
    }
    Bytes plain;
    std::string checksum;
    if (prepared) {
        checksum = prepared->checksum;
    } else {
        // 3. The plain and the sealed body are both held in memory while the file is sent.
        if (!memoryAllows(candidate.size)) {
            throw FileError::skip(
                "Not enough free memory to encrypt this file right now. It'll be tried again next run.");
        }
        // 4. and 5.
        plain = readStable(candidate);
        checksum = keyedChecksumHex(request_.key.checksumKey(), plain.data(), plain.size());
    }

    // 6. Same content as the copy we already have: only the size and time are new. 7. A copy this computer
    // uploaded earlier, listed but unknown to the index (a rebuilt index, an upload confirmed just before
    // the app stopped).
    if (const std::optional<KnownCopy> known = knownCopy(candidate, checksum, byPath)) {
        return recordKnownCopy(candidate, checksum, *known);
    }

    // 8. Seal the body and the name. The plain bytes are not needed any more.
    Bytes iv;
    Bytes body;
    std::string sealedName;
    if (prepared) {
        iv = std::move(prepared->iv);
        body = std::move(prepared->body);
        sealedName = std::move(prepared->sealedName);
        prepared.reset();
    } else {
        std::tie(iv, body) = request_.key.seal(plain);
        Bytes().swap(plain);
        sealedName = request_.key.sealName(candidate.path);
    }
    const auto encryptedBytes = static_cast<std::int64_t>(body.size());
    const std::string mimeType = services_.mimeTypes.mimeType(candidate.url);

    // 9. to 12. Ticket and PUT; an expired or refused link is replaced twice at most.
    UploadURLResponse ticket = requestUploadTicket(mimeType, candidate.size);
    int newLinks = 0;
    for (;;) {
        if (!isStorageLink(ticket.uploadUrl)) {
            throw FileError::skip("The portal returned an invalid upload link.");
        }
        SentCounter counter(services_.meter);
        try {
            withRetry(
                5, "Upload", [this](const std::string& line) { log_(line, LogLine::Tone::warning); },
                services_.sleeper, cancel_, [&] { putOnce(ticket, body, counter); });
            break;
        } catch (const StorageError& error) {
            if (error.kind() != StorageError::Kind::urlExpiredOrForbidden) {
                throw;
            }
            if (newLinks >= 2) {
                throw FileError::skip("Storage refused the upload. It'll be tried again next run.");
            }
            ++newLinks;
            ticket = requestUploadTicket(mimeType, candidate.size);
        }
    }
    Bytes().swap(body);

    // 13. and 14.
    return confirmAndRecord(candidate, status, ticket, sealedName, mimeType, iv, encryptedBytes, checksum);
}

FileUpload FileBackup::recordKnownCopy(const Candidate& candidate, const std::string& checksum,
                                       const KnownCopy& known) {
    IndexedFile row;
    if (known.listed == nullptr) {
        row = *candidate.existing;
        row.size = candidate.size;
        row.mtime = candidate.mtime;
        row.missingSince.reset();
    } else {
        const KeldraFile& file = *known.listed;
        row = IndexedFile{candidate.path,
                          candidate.sourceID,
                          candidate.size,
                          candidate.mtime,
                          checksum,
                          file.id.raw,
                          serverSecondsOr(file.createdAt, toUnixSeconds(services_.clock.now())),
                          std::nullopt};
    }
    if (IndexWrite written = services_.index.upsertFile(row); !written) {
        throw FileError::unrecorded(written);
    }
    return {};
}

UploadURLResponse FileBackup::requestUploadTicket(const std::string& mimeType, std::int64_t size) {
    return withRetry(
        5, "Upload link", [this](const std::string& line) { log_(line, LogLine::Tone::warning); },
        services_.sleeper, cancel_, [&] { return services_.api.requestUploadURL(mimeType, size, cancel_); });
}

void FileBackup::putOnce(const UploadURLResponse& ticket, const Bytes& body, SentCounter& counter) {
    counter.reset();
    const double bytesPerSecond = request_.settings.bandwidthLimitMBps * 1000000.0;
    const std::string contentType = ticket.contentType ? *ticket.contentType : "application/octet-stream";
    services_.storage.upload(
        body, ticket.uploadUrl, contentType, bytesPerSecond,
        [&counter](std::int64_t totalSent) { counter.record(totalSent); }, cancel_);
}

FileUpload FileBackup::confirmAndRecord(const Candidate& candidate, KeldraStatus& status,
                                        const UploadURLResponse& ticket, const std::string& sealedName,
                                        const std::string& mimeType, const Bytes& iv,
                                        std::int64_t encryptedBytes, const std::string& checksum) {
    const SystemTime confirmStarted = services_.clock.now();
    KeldraAPI::ConfirmRequest confirm;
    confirm.s3Key = ticket.s3Key;
    confirm.encryptedName = sealedName;
    confirm.mimeType = mimeType;
    confirm.sizeBytes = candidate.size;
    confirm.encryptedSizeBytes = encryptedBytes;
    confirm.encryptionIV = base64Encode(iv);
    confirm.keyedChecksum = checksum;
    confirm.folderId = request_.deviceFolderID;

    try {
        const UploadConfirmResponse response = confirmUploadWithRetry(3, "Confirm", confirm);
        return record(candidate, status, response.file.id.raw, response.file.createdAt, checksum, sealedName,
                      encryptedBytes);
    } catch (const KeldraAPIError& error) {
        using Kind = KeldraAPIError::Kind;
        if (error.kind() == Kind::uploadRefused) {
            throw FileError::skip("The portal refused this upload (" + error.text() +
                                  "). It'll be tried again next run.");
        }
        if (error.kind() == Kind::alreadyConfirmed) {
            // An earlier attempt went through but its answer was lost: find the copy by its sealed name,
            // which is unique because every sealing draws a fresh nonce.
            const std::vector<KeldraFile> recent = services_.api.listAllFiles(
                request_.deviceFolderID, confirmStarted - std::chrono::seconds(300), cancel_);
            for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
                if (it->encryptedName && *it->encryptedName == sealedName) {
                    return record(candidate, status, it->id.raw, it->createdAt, checksum, sealedName,
                                  encryptedBytes);
                }
            }
            throw FileError::skip("Confirmed, but the portal didn't list it yet. It'll be checked next run.");
        }
        if (isStorageFullMessage(error)) {
            throw FileError::quota(error.message());
        }
        if (blockReason(error)) {
            throw;
        }
        throw FileError::skip("Uploaded but not confirmed (" + error.message() +
                              "). It'll be tried again next run.");
    }
}

FileUpload FileBackup::record(const Candidate& candidate, KeldraStatus& status,
                              const std::string& keldraFileID, const std::optional<std::string>& createdAt,
                              const std::string& checksum, const std::string& sealedName,
                              std::int64_t encryptedBytes) {
    const double now = toUnixSeconds(services_.clock.now());
    // An unrecorded upload is not counted: the next run finds the copy in the listing by its path and
    // checksum and records it then, without sending it again.
    const IndexWrite written =
        services_.index.recordCopy(IndexedFile{candidate.path, candidate.sourceID, candidate.size,
                                               candidate.mtime, checksum, keldraFileID, now, std::nullopt},
                                   IndexedVersion{keldraFileID, candidate.path, candidate.size,
                                                  serverSecondsOr(createdAt, now), std::nullopt, 1},
                                   now);
    if (!written) {
        throw FileError::unrecorded(written);
    }
    status.usedBytes.value = saturatingAdd(status.usedBytes.value, encryptedBytes);
    return FileUpload{encryptedBytes, keldraFileID, sealedName};
}

UploadConfirmResponse FileBackup::confirmUploadWithRetry(int maxAttempts, const std::string& label,
                                                         const KeldraAPI::ConfirmRequest& confirm) {
    return withRetry(
        std::max(maxAttempts, 1), label,
        [this](const std::string& line) { log_(line, LogLine::Tone::warning); }, services_.sleeper, cancel_,
        [&] { return services_.api.confirmUpload(confirm, cancel_); });
}

void FileBackup::verifySealedName(const std::string& keldraFileID, const std::string& sealedName,
                                  const std::string& path) {
    const DownloadURLResponse answer = services_.api.requestDownloadURL(FlexID(keldraFileID), cancel_);
    if (answer.nameSealed && answer.nameSealed->value && answer.encryptedName &&
        *answer.encryptedName == sealedName) {
        return;
    }
    // The portal does not keep sealed names: the copy could never be found again by its path. Remove it and
    // leave the file to upload again once the service keeps them; older copies stay where they are.
    bool stopped = false;
    try {
        services_.api.deleteFile(FlexID(keldraFileID), cancel_);
    } catch (const CancelledError&) {
        // The index is still put right below; the run then ends as stopped, not blocked.
        stopped = true;
    } catch (...) {
    }
    services_.index.execute(indexsql::deleteVersion, {BackupIndex::Bind::text(keldraFileID)});
    if (std::optional<IndexedFile> row = services_.index.file(path)) {
        row->keyedHash.reset();
        row->keldraFileID.reset();
        row->backedUpAt.reset();
        services_.index.upsertFile(*row);
    }
    if (stopped || cancel_.stop_requested()) {
        throw CancelledError();
    }
    throw KeldraAPIError::endpointMissing("encrypted file names");
}

} // namespace keldra
