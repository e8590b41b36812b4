#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "restore/engine/ConflictPolicy.h"
#include "restore/engine/RestoreDestination.h"
#include "restore/engine/RestoreItem.h"
#include "restore/engine/RestoreProgress.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace keldra {

class RestoreEngine;

// Everything one restore run works from, fixed when it starts.
struct RestorePlan {
    std::vector<RestoreItem> items;
    RestoreSourceKind source = RestoreSourceKind::keldra();
    RestoreDestination destination = RestoreDestination::original();
    ConflictPolicy policy = ConflictPolicy::keepBoth;
    KeldraKey key;
};

using RestoreProgressSink = std::function<void(const RestoreProgress&)>;

// Where a run's time goes, for measuring it (the restore benchmark). The run's own thread: waiting for the
// next item to be ready, flushing written files, moving them into place, flushing their folders. The
// preparing threads, their times added up: waiting for their turn to ask, from asking for a link to the
// body's first bytes, receiving, opening and writing the body, and decrypting drive objects. Nanoseconds.
struct RestoreStageTimes {
    std::atomic<std::int64_t> waitingForItems{0};
    std::atomic<std::int64_t> flushingFiles{0};
    std::atomic<std::int64_t> placingFiles{0};
    std::atomic<std::int64_t> flushingFolders{0};
    std::atomic<std::int64_t> waitingForTurn{0};
    std::atomic<std::int64_t> askingForBodies{0};
    std::atomic<std::int64_t> receivingBodies{0};
    std::atomic<std::int64_t> readingDrive{0};

    static double seconds(const std::atomic<std::int64_t>& stage) {
        return std::chrono::duration<double>(std::chrono::nanoseconds(stage.load())).count();
    }
};

// Restores the plan's items in order: a failed item is listed with its reason and the run goes on;
// cancellation (checked before each item, and inside a download or a drive read) ends it with `cancelled`
// set and the cancelled item neither restored nor listed. Progress goes to `progress` at the start, twice
// per item and at the end. Blocking: call it off the GUI thread.
//
// While items are placed, the next ones are downloaded and opened into temp files beside their targets (or
// read from the drive) on threads of the run's own, their requests sent in list order, and written files
// are flushed and moved into place in groups (PlacementGroup). An item counts as restored, and its
// progress is posted, only once it is in place and on disk; items are counted and posted in list order. A
// stop drops the written files not yet in place, so it acts as a stop before the first of them. No file's
// content is held in memory, only a few buffers per item in work. With `times`, the run adds the time of
// each of its stages there.
RestoreSummary runRestorePlan(RestoreEngine& engine, const RestorePlan& plan, const CancelToken& cancel,
                              const RestoreProgressSink& progress, RestoreStageTimes* times = nullptr);

} // namespace keldra
