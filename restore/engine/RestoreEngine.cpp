#include "restore/engine/RestoreEngine.h"

#include "core/SaturatingMath.h"
#include "core/codec/Base64.h"
#include "restore/engine/DecryptingFileWriter.h"
#include "service/api/KeldraAPI.h"
#include "service/api/KeldraAPIError.h"
#include "service/storage/StorageLink.h"
#include "service/storage/StorageTransport.h"

#include <utility>

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

RestoreEngine::BodyLink RestoreEngine::requestBody(const RestoreItem& item, const CancelToken& token) {
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
    std::optional<Bytes> iv = base64Decode(*ivText);
    if (!iv) {
        throw RestoreError(RestoreError::Kind::noIV);
    }
    return BodyLink{reply.downloadUrl, std::move(*iv)};
}

Bytes RestoreEngine::fetchDecrypted(const RestoreItem& item, const KeldraKey& key, const CancelToken& token) {
    const BodyLink link = requestBody(item, token);
    Bytes body =
        withRetry(fetchAttempts, "Download", {}, sleeper_, token, [&] { return download(link.url, token); });
    // Opened in its own buffer: a file in work costs its size in memory once, not twice.
    return key.openInPlace(std::move(body), link.iv);
}

StagedFile RestoreEngine::fetchStaged(const RestoreItem& item, const RestoreDestination& destination,
                                      const KeldraKey& key, const CancelToken& token,
                                      const std::function<void()>& answered) {
    const BodyLink link = requestBody(item, token);
    const std::filesystem::path target = destinationURL(item, destination);
    createTargetFolder(target, destination);
    bool told = false;
    const std::function<void()> tell = [&] {
        if (!std::exchange(told, true) && answered) {
            answered();
        }
    };
    // Each attempt starts a fresh temp file; a failed one removes its own.
    return withRetry(fetchAttempts, "Download", {}, sleeper_, token, [&] {
        struct TellAtEnd {
            const std::function<void()>& then;
            ~TellAtEnd() { then(); }
        } tellAtEnd{tell};
        DecryptingFileWriter writer(target, key, link.iv);
        storage_.download(
            link.url,
            [&](const std::uint8_t* data, std::size_t size) {
                tell();
                writer.write(data, size);
            },
            token);
        return writer.finish();
    });
}

Bytes RestoreEngine::download(const std::string& url, const CancelToken& token) {
    return storage_.download(url, token);
}

} // namespace keldra
