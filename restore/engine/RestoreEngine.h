#pragma once

#include "core/Bytes.h"
#include "core/crypto/KeldraKey.h"
#include "core/platform/MemoryInfo.h"
#include "core/seams/CancelToken.h"
#include "core/seams/Sleeper.h"
#include "restore/engine/ConflictPolicy.h"
#include "restore/engine/RestoreDestination.h"
#include "restore/engine/RestoreError.h"
#include "restore/engine/RestoreItem.h"
#include "restore/engine/StagedFile.h"
#include "restore/engine/WithRetry.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace keldra {

class KeldraAPI;
class StorageTransport;

// The work behind one restored file: fetch and open a Keldra file, map its target, place it without
// ever leaving a half-written file where a good one was, and word any failure for the summary.
// Holds only its collaborators, so it is safe to use from several threads at once.
class RestoreEngine {
public:
    // Files from this size on are checked against free memory before they are fetched.
    static constexpr std::int64_t memoryGateSize = 64LL * 1024 * 1024;
    // Headroom the check adds to three times the file size.
    static constexpr std::uint64_t memoryHeadroom = 128ULL * 1024 * 1024;
    // Attempts for the download link and for the body.
    static constexpr int fetchAttempts = 4;

    // The collaborators must outlive the engine.
    RestoreEngine(KeldraAPI& api, StorageTransport& storage, Sleeper& sleeper, const MemoryInfo& memory);

    // Downloads a Keldra file's sealed body (asking the portal for a link first) and opens it with `key`.
    // Throws RestoreError (memory, badLink, noIV), KeldraCryptoError, KeldraAPIError, StorageError or
    // CancelledError.
    Bytes fetchDecrypted(const RestoreItem& item, const KeldraKey& key, const CancelToken& token = {});

    // The same download, opened as it arrives into a temp file beside the item's target (whose folder it
    // creates first): the file to place, not yet flushed. Holds a small buffer instead of the body. Throws
    // what fetchDecrypted and stageRestored throw; a body whose tag does not match throws
    // KeldraCryptoError::decryptionFailed and leaves no file behind, nor does any other failure.
    // `answered` is called once, when the storage has answered the first download (its body begins, or
    // that attempt ends).
    StagedFile fetchStaged(const RestoreItem& item, const RestoreDestination& destination,
                           const KeldraKey& key, const CancelToken& token = {},
                           const std::function<void()>& answered = {});

    // One GET of a presigned URL.
    Bytes download(const std::string& url, const CancelToken& token = {});

    // The target file for an item. Throws RestoreError::unsafePath for a path that could leave its place.
    static std::filesystem::path destinationURL(const RestoreItem& item,
                                                const RestoreDestination& destination);

    // Creates the target's parent folder with any missing folders. Below a chosen folder every step is
    // checked to stay inside it, so a symbolic link in that folder cannot lead the restore elsewhere
    // (RestoreError::unsafePath). Use it before placing a file produced elsewhere.
    static void createTargetFolder(const std::filesystem::path& target,
                                   const RestoreDestination& destination);

    // A fresh hidden temp name (".keldra-restore-<UUID>.tmp") for a file in the target's folder.
    static std::filesystem::path temporaryFileFor(const std::filesystem::path& target);

    // Moves a finished temp file to `target`: replacing it, or taking the first free "(restored)" name
    // when it exists and the policy keeps both. A file that appears at the chosen name meanwhile is never
    // overwritten under keepBoth. On failure the temp file is removed and the error thrown. Without
    // `syncFolder` the caller flushes the folder (syncDirectory) before it counts the move as done.
    static std::filesystem::path moveIntoPlace(const std::filesystem::path& temp,
                                               const std::filesystem::path& target, ConflictPolicy policy,
                                               bool syncFolder = true);

    // Maps the target, creates its folder and writes `plaintext` to a temp file beside it, which the disk
    // has started on but may not have finished: StagedFile flushes and places it.
    static StagedFile stageRestored(const RestoreItem& item, const RestoreDestination& destination,
                                    const Bytes& plaintext);

    // stageRestored, then flushes the file, moves it into place and flushes its folder. Returns where the
    // file now is.
    static std::filesystem::path writeRestored(const RestoreItem& item, const RestoreDestination& destination,
                                               ConflictPolicy policy, const Bytes& plaintext);

    // The first free "name (restored).ext", "name (restored 2).ext", ... beside `target`.
    static std::filesystem::path keepBothURL(const std::filesystem::path& target);

    // The one-line reason the restore summary shows for a failed item.
    static std::string failureReason(const std::exception& error);
    static std::string failureReason(const std::exception_ptr& error);

private:
    // Where an item's sealed body is, and the IV it was sealed with.
    struct BodyLink {
        std::string url;
        Bytes iv;
    };

    void checkMemory(const RestoreItem& item) const;
    // The memory check, then the link (with retries) and its checks.
    BodyLink requestBody(const RestoreItem& item, const CancelToken& token);

    KeldraAPI& api_;
    StorageTransport& storage_;
    Sleeper& sleeper_;
    const MemoryInfo& memory_;
};

} // namespace keldra
