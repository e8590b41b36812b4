#pragma once

#include "core/Bytes.h"
#include "core/scan/Candidate.h"
#include "core/seams/CancelToken.h"
#include "engine/EngineServices.h"
#include "engine/FileUpload.h"
#include "engine/RunLog.h"
#include "engine/RunRequest.h"
#include "restore/catalog/RemoteEntry.h"

#include <map>
#include <string>
#include <vector>

namespace keldra {

// Backs up one file: plan and storage tests, memory guard, stable read, keyed checksum, the two shortcuts
// that record a file without uploading it, sealing of body and name, ticket, PUT, confirmation and the index
// rows. Per-file outcomes are FileError; portal, storage, crypto and cancellation errors pass through
// unchanged.
class FileBackup {
public:
    FileBackup(const EngineServices& services, const RunRequest& request, const CancelToken& cancel,
               RunLog log);

    // `status` is the run's: its storage figures carry the quota test across the run and grow by each
    // confirmed upload.
    FileUpload backUpFile(const Candidate& candidate, KeldraStatus& status,
                          const std::map<std::string, std::vector<RemoteEntry>>& byPath);

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
