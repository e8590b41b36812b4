#include "restore/engine/RestoreEngine.h"

#include "core/SaturatingMath.h"
#include "core/codec/Base64.h"
#include "service/api/KeldraAPI.h"
#include "service/api/KeldraAPIError.h"
#include "service/storage/StorageLink.h"
#include "service/storage/StorageTransport.h"

namespace keldra {

RestoreEngine::RestoreEngine(KeldraAPI& api, StorageTransport& storage, Sleeper& sleeper,
                             const MemoryInfo& memory)
    : api_(api), storage_(storage), sleeper_(sleeper), memory_(memory) {}

void RestoreEngine::checkMemory(const RestoreItem& item) const {
    if (item.size < memoryGateSize) {
        return;
    }
    // A size so large that the estimate does not fit saturates, and so is always
    // refused.
    const std::uint64_t need =
        saturatingAdd(saturatingMul(3, static_cast<std::uint64_t>(item.size)), memoryHeadroom);
    if (need >= memory_.availableMemoryBytes()) {
        throw RestoreError(RestoreError::Kind::memory);
    }
}

Bytes RestoreEngine::fetchDecrypted(const RestoreItem& item, const KeldraKey& key, const CancelToken& token) {
    checkMemory(item);
    throwIfCancelled(token);
    const DownloadURLResponse reply = withRetry(fetchAttempts, "Download link", {}, sleeper_, token,
                                                [&] { return api_.requestDownloadURL(item.fileID, token); });
    if (!isStorageLink(reply.downloadUrl)) {
        throw RestoreError(RestoreError::Kind::badLink);
    }
    const std::optional<std::string>& ivText = reply.encryptionIv ? reply.encryptionIv : item.iv;
    if (!ivText) {
        throw RestoreError(RestoreError::Kind::noIV);
    }
    const std::optional<Bytes> iv = base64Decode(*ivText);
    if (!iv) {
        throw RestoreError(RestoreError::Kind::noIV);
    }
    Bytes body = withRetry(fetchAttempts, "Download", {}, sleeper_, token,
                           [&] { return download(reply.downloadUrl, token); });
    // Opened in its own buffer: a file in work costs its size in memory once, not twice.
    return key.openInPlace(std::move(body), *iv);
}

Bytes RestoreEngine::download(const std::string& url, const CancelToken& token) {
    return storage_.download(url, token);
}

} // namespace keldra
