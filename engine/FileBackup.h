#pragma once

#include "core/Bytes.h"
#include "core/fs/RegularFile.h"
#include "core/scan/Candidate.h"
#include "core/seams/CancelToken.h"
#include "engine/EngineServices.h"
#include "engine/FileUpload.h"
#include "engine/PreparedFile.h"
#include "engine/RunLog.h"
#include "engine/RunRequest.h"
#include "restore/catalog/RemoteEntry.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// How many bytes a whole-file read of the candidate may take: one beyond the scanned size proves a change.
std::int64_t readLimit(const Candidate& candidate);
// A read of `bytesRead` bytes followed by `stamp` shows the file as the scan saw it, in size and time.
bool matchesScan(const Candidate& candidate, std::int64_t bytesRead, const FileStamp& stamp);

// Backs up one file: plan and storage tests, memory guard, stable read, keyed checksum, the two shortcuts
// that record a file without uploading it, sealing of body and name, ticket, PUT, confirmation and the index
// rows. Per-file outcomes are FileError; portal, storage, crypto and cancellation errors pass through
// unchanged.
class FileBackup {
public:
    FileBackup(const EngineServices& services, const RunRequest& request, const CancelToken& cancel,
               RunLog log);

    // `status` is the run's: its storage figures carry the quota test across the run and grow by each
    // confirmed upload. `prepared` is what `prepare` made of the file ahead of its turn, if anything; it is
    // used only while the file still has the size and time the scan saw.
    FileUpload backUpFile(const Candidate& candidate, KeldraStatus& status,
                          const std::map<std::string, std::vector<RemoteEntry>>& byPath,
                          std::optional<PreparedFile> prepared = std::nullopt);

    // The read, checksum and sealing of `backUpFile`, done ahead of the file's turn and safe to call from
    // another thread: it neither asks the portal nor writes the index nor logs, and it never waits. No value
    // when the file is better left to its turn (over the plan's limit, short of memory, unreadable, not as
    // the scan saw it), where the run meets and reports the same cause.
    std::optional<PreparedFile> prepare(const Candidate& candidate, std::optional<std::int64_t> planLimit,
                                        const std::map<std::string, std::vector<RemoteEntry>>& byPath) const;

    // The plan's per-file limit in bytes, when the plan sets a usable one.
    static std::optional<std::int64_t> planLimitBytes(const KeldraStatus& status);

    // Makes sure the portal kept the sealed name as sent. When it did not, the new copy is removed again, the
    // file is left to upload again, and the run is blocked until the service keeps sealed names.
    void verifySealedName(const std::string& keldraFileID, const std::string& sealedName,
                          const std::string& path);

    // The whole file, read twice at most: the bytes must match what the scan saw, in size and time.
    Bytes readStable(const Candidate& candidate);

    // The confirmation with the shared retry policy: `maxAttempts` tries, waits of 2, 4, 8 ... s.
    UploadConfirmResponse confirmUploadWithRetry(int maxAttempts, const std::string& label,
                                                 const KeldraAPI::ConfirmRequest& confirm);

private:
    // A copy the Keldra already holds of this content: the index's own (listed is null) or one found in the
    // listing. Such a file is recorded without upload.
    struct KnownCopy {
        const KeldraFile* listed = nullptr;
    };
    static std::optional<KnownCopy> knownCopy(const Candidate& candidate, const std::string& checksum,
                                              const std::map<std::string, std::vector<RemoteEntry>>& byPath);
    FileUpload recordKnownCopy(const Candidate& candidate, const std::string& checksum,
                               const KnownCopy& known);
    bool memoryAllows(std::int64_t size) const;

    UploadURLResponse requestUploadTicket(const std::string& mimeType, std::int64_t size);
    void putOnce(const UploadURLResponse& ticket, const Bytes& body, class SentCounter& counter);
    FileUpload confirmAndRecord(const Candidate& candidate, KeldraStatus& status,
                                const UploadURLResponse& ticket, const std::string& sealedName,
                                const std::string& mimeType, const Bytes& iv, std::int64_t encryptedBytes,
                                const std::string& checksum);
    FileUpload record(const Candidate& candidate, KeldraStatus& status, const std::string& keldraFileID,
                      const std::optional<std::string>& createdAt, const std::string& checksum,
                      const std::string& sealedName, std::int64_t encryptedBytes);

    const EngineServices& services_;
    const RunRequest& request_;
    CancelToken cancel_;
    RunLog log_;
};

} // namespace keldra
