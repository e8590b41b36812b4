#include "restore/engine/RestoreRun.h"

#include "drive/format/LocalFormat.h"
#include "restore/engine/DriveObjectFile.h"
#include "restore/engine/PlacementGroup.h"
#include "restore/engine/RequestTurns.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/RestorePrefetch.h"
#include "restore/engine/RestoreTempFiles.h"

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

// Adds the time since the last lap (or its start) to a stage of `times`, when the run measures them.
class StageClock {
public:
    explicit StageClock(RestoreStageTimes* times) : times_(times) { start_ = now(); }
    void lap(std::atomic<std::int64_t> RestoreStageTimes::*stage) {
        if (times_ == nullptr) {
            return;
        }
        const auto at = now();
        (times_->*stage) += std::chrono::duration_cast<std::chrono::nanoseconds>(at - start_).count();
        start_ = at;
    }
    void restart() { start_ = now(); }
    void add(std::atomic<std::int64_t> RestoreStageTimes::*stage, std::chrono::nanoseconds time) const {
        if (times_ != nullptr) {
            (times_->*stage) += time.count();
        }
    }

private:
    std::chrono::steady_clock::time_point now() const {
        return times_ == nullptr ? std::chrono::steady_clock::time_point{} : std::chrono::steady_clock::now();
    }

    RestoreStageTimes* times_;
    std::chrono::steady_clock::time_point start_;
};

// What the preparing threads of one run share.
struct Preparing {
    RestoreEngine& engine;
    const RestorePlan& plan;
    const CancelToken& cancel;
    RestoreStageTimes* times;
    RequestTurns turns;
    StaleTempSweep sweep;
};

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
PreparedItem prepare(Preparing& run, std::size_t index) {
    const RestorePlan& plan = run.plan;
    const CancelToken& cancel = run.cancel;
    RequestTurns& turns = run.turns;
    const RestoreItem& item = plan.items[index];
    PreparedItem prepared;
    StageClock clock(run.times);
    try {
        if (const auto& deviceFolder = plan.source.driveFolder()) {
            prepared.staged = stageFromDrive(item, *deviceFolder, plan, cancel);
            clock.lap(&RestoreStageTimes::readingDrive);
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
            clock.lap(&RestoreStageTimes::waitingForTurn);
            prepared.staged = run.engine.fetchStaged(item, plan.destination, plan.key, cancel, [&] {
                clock.lap(&RestoreStageTimes::askingForBodies);
                turns.pass(index);
            });
            clock.lap(&RestoreStageTimes::receivingBodies);
        }
        // A folder this run writes into loses the temp files that killed restores left there.
        run.sweep.clear(prepared.staged->target().parent_path());
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
                              const RestoreProgressSink& progress, RestoreStageTimes* times) {
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
    const StageClock clock(times);
    const auto settle = [&] {
        PlacementGroup::FlushTimes flushTimes;
        for (const PlacementGroup::Outcome& outcome : group.flush(&flushTimes)) {
            finish(outcome.key, outcome.placed, outcome.error);
        }
        clock.add(&RestoreStageTimes::flushingFiles, flushTimes.files);
        clock.add(&RestoreStageTimes::placingFiles, flushTimes.moves);
        clock.add(&RestoreStageTimes::flushingFolders, flushTimes.folders);
    };

    post(std::nullopt);
    {
        Preparing preparing{engine, plan, cancel, times, {}, {}};
        RestorePrefetch prefetch([&](std::size_t index) { return prepare(preparing, index); },
                                 plan.items.size());
        for (std::size_t index = 0; index < plan.items.size(); ++index) {
            const RestoreItem& item = plan.items[index];
            if (cancel.stop_requested()) {
                summary.cancelled = true;
                break;
            }
            StageClock waiting(times);
            if (!prefetch.waitReady(index, waitBeforeSettling)) {
                waiting.lap(&RestoreStageTimes::waitingForItems);
                // The run waits on the network or the drive: place what is written, so the progress names
                // the item in work.
                settle();
                post(item.keldraPath);
                announced = index;
                waiting.restart();
            }
            PreparedItem prepared = prefetch.take(index);
            waiting.lap(&RestoreStageTimes::waitingForItems);
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
