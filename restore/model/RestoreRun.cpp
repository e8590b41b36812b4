#include "restore/model/RestoreRun.h"

#include "drive/format/LocalFormat.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/model/DriveObjectFile.h"

#include <filesystem>
#include <system_error>

namespace keldra {
namespace {

namespace fs = std::filesystem;

// A drive item: the object decrypted straight into a temp file beside the target, then moved into place.
fs::path restoreFromDrive(const RestoreItem& item, const fs::path& deviceFolder, const RestorePlan& plan,
                          const CancelToken& cancel) {
    const std::optional<fs::path> object = driveObjectFile(deviceFolder, item.fileID.raw);
    if (!object) {
        throw RestoreError(RestoreError::Kind::unsafePath);
    }
    const fs::path target = RestoreEngine::destinationURL(item, plan.destination);
    RestoreEngine::createTargetFolder(target, plan.destination);
    const fs::path temp = RestoreEngine::temporaryFileFor(target);
    try {
        LocalFormat::restoreObject(*object, temp, plan.key, cancel);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    return RestoreEngine::moveIntoPlace(temp, target, plan.policy);
}

} // namespace

RestoreSummary runRestorePlan(RestoreEngine& engine, const RestorePlan& plan, const CancelToken& cancel,
                              const RestoreProgressSink& progress) {
    RestoreSummary summary;
    RestoreProgress current;
    current.total = static_cast<int>(plan.items.size());
    for (const RestoreItem& item : plan.items) {
        current.addBytesTotal(item.size);
    }
    const auto post = [&](std::optional<std::string> path) {
        current.current = std::move(path);
        if (progress) {
            progress(current);
        }
    };
    post(std::nullopt);
    for (const RestoreItem& item : plan.items) {
        if (cancel.stop_requested()) {
            summary.cancelled = true;
            break;
        }
        post(item.keldraPath);
        try {
            fs::path written;
            if (const auto& deviceFolder = plan.source.driveFolder()) {
                written = restoreFromDrive(item, *deviceFolder, plan, cancel);
            } else {
                const Bytes plaintext = engine.fetchDecrypted(item, plan.key, cancel);
                written = RestoreEngine::writeRestored(item, plan.destination, plan.policy, plaintext);
            }
            ++summary.restored;
            summary.addRestoredBytes(item.size);
            summary.lastWritten = std::move(written);
        } catch (const CancelledError&) {
            summary.cancelled = true;
            break;
        } catch (...) {
            summary.failures.push_back(
                {item.keldraPath, RestoreEngine::failureReason(std::current_exception())});
        }
        current.addBytesDone(item.size);
        ++current.done;
        post(item.keldraPath);
    }
    post(std::nullopt);
    return summary;
}

} // namespace keldra
