#include "restore/model/RestoreRun.h"

#include "drive/format/LocalFormat.h"
#include "restore/engine/PlacementGroup.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/RestoreTempFiles.h"
#include "restore/model/DriveObjectFile.h"
#include "restore/model/RequestTurns.h"
#include "restore/model/RestorePrefetch.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <system_error>

namespace keldra {
namespace {

namespace fs = std::filesystem;

// How long the run waits for the next item before it places the files written so far, so that their
// progress is posted and the item in work is named. Short enough to go unnoticed; long enough that a quick
// download of a small file does not cut the group short.
constexpr std::chrono::milliseconds waitBeforeSettling{100};

// A drive item: the object decrypted straight into a temp file beside the target, its write-back started,
// to be flushed and moved into place by the caller.
StagedFile stageFromDrive(const RestoreItem& item, const fs::path& deviceFolder, const RestorePlan& plan,
                          const CancelToken& cancel) {
    const std::optional<fs::path> object = driveObjectFile(deviceFolder, item.fileID.raw);
    if (!object) {
        throw RestoreError(RestoreError::Kind::unsafePath);
    }
    fs::path target = RestoreEngine::destinationURL(item, plan.destination);
    RestoreEngine::createTargetFolder(target, plan.destination);
    RestoreTempFile created = createRestoreTempFile(target);
    // Dropped on a failure, it removes the temp file.
    StagedFile staged(created.path, std::move(target), std::move(created.fd));
    LocalFormat::restoreObjectInto(*object, staged.descriptor(), plan.key, cancel);
    // A hint only: the disk starts on the file now, so the group's flush has less left to wait for.
    ::sync_file_range(staged.descriptor(), 0, 0, SYNC_FILE_RANGE_WRITE);
    return staged;
}

// The work on one item up to its temp file beside the target: the download, opened as it arrives, or the
// drive read.
PreparedItem prepare(RestoreEngine& engine, const RestorePlan& plan, std::size_t index, RequestTurns& turns,
                     StaleTempSweep& sweep, const CancelToken& cancel) {
    const RestoreItem& item = plan.items[index];
    PreparedItem prepared;
    try {
        if (const auto& deviceFolder = plan.source.driveFolder()) {
            prepared.staged = stageFromDrive(item, *deviceFolder, plan, cancel);
        } else {
            // However this item ends, the next one's turn comes.
            struct PassAtEnd {
                RequestTurns& turns;
                std::size_t index;
                ~PassAtEnd() { turns.pass(index); }
            } passAtEnd{turns, index};
            if (!turns.wait(index, cancel)) {
                throw CancelledError{};
            }
            prepared.staged =
                engine.fetchStaged(item, plan.destination, plan.key, cancel, [&] { turns.pass(index); });
        }
        // A folder this run writes into loses the temp files that killed restores left there.
        sweep.clear(prepared.staged->target().parent_path());
    } catch (const CancelledError&) {
        prepared.cancelled = true;
    } catch (...) {
        prepared.error = std::current_exception();
    }
    return prepared;
}

// A prepared item's temp file, or its failure.
StagedFile stage(PreparedItem prepared) {
    if (prepared.error) {
        std::rethrow_exception(prepared.error);
    }
    return std::move(*prepared.staged);
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
    // Results are counted and posted in item order, each once its file is on disk or has failed; the
    // item whose start was posted while the run waited for it is not posted again.
    std::optional<std::size_t> announced;
    const auto finish = [&](std::size_t index, const std::optional<fs::path>& placed,
                            const std::exception_ptr& error) {
        const RestoreItem& item = plan.items[index];
        if (announced != index) {
            post(item.keldraPath);
        }
        announced.reset();
        if (placed) {
            ++summary.restored;
            summary.addRestoredBytes(item.size);
            summary.lastWritten = *placed;
        } else {
            summary.failures.push_back({item.keldraPath, RestoreEngine::failureReason(error)});
        }
        current.addBytesDone(item.size);
        ++current.done;
        post(item.keldraPath);
    };
    PlacementGroup group(plan.policy);
    const auto settle = [&] {
        for (const PlacementGroup::Outcome& outcome : group.flush()) {
            finish(outcome.key, outcome.placed, outcome.error);
        }
    };

    post(std::nullopt);
    {
        RequestTurns turns;
        StaleTempSweep sweep;
        RestorePrefetch prefetch(
            [&](std::size_t index) { return prepare(engine, plan, index, turns, sweep, cancel); },
            plan.items.size());
        for (std::size_t index = 0; index < plan.items.size(); ++index) {
            const RestoreItem& item = plan.items[index];
            if (cancel.stop_requested()) {
                summary.cancelled = true;
                break;
            }
            if (!prefetch.waitReady(index, waitBeforeSettling)) {
                // The run waits on the network or the drive: place what is written, so the progress names
                // the item in work.
                settle();
                post(item.keldraPath);
                announced = index;
            }
            PreparedItem prepared = prefetch.take(index);
            if (prepared.cancelled) {
                summary.cancelled = true;
                break;
            }
            try {
                group.add(index, stage(std::move(prepared)), item.size);
            } catch (...) {
                const std::exception_ptr error = std::current_exception();
                settle();
                finish(index, std::nullopt, error);
                continue;
            }
            if (group.due()) {
                settle();
            }
        }
        if (summary.cancelled) {
            // Nothing of the group is in place yet: the stop ends the run before its first file, whose
            // temp files go.
            group.discard();
        } else {
            settle();
        }
        // The prefetch ends here: a stop has already ended its download.
    }
    post(std::nullopt);
    return summary;
}

} // namespace keldra
