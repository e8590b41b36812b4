#pragma once

#include "core/events/EngineEvent.h"
#include "core/index/BackupIndex.h"
#include "core/seams/CancelToken.h"
#include "engine/EngineServices.h"
#include "engine/RunRequest.h"

#include <string>

namespace keldra {

// Performs one cloud backup run per call of run(): checks the key against the account's verifier, lists this
// computer's backup folder, reconciles the index with it, scans the sources, guards against mass changes and
// a listing that lost most files, uploads what changed, prunes old versions, purges files deleted long enough
// ago, and records the run.
//
// Thread-safe: the engine holds only the services fixed at construction; everything a run needs lives in that
// run, so nothing is shared between calls and no lock is ever held across I/O. The caller starts one cloud
// run at a time.
class BackupEngine {
public:
    explicit BackupEngine(EngineServices services) : services_(services) {}

    // Never throws: every ending, cancellation and failure included, becomes the returned result. Events
    // reach `onEvent` synchronously on the calling (worker) thread, in order.
    RunResult run(const RunRequest& request, const EngineEventHandler& onEvent,
                  const CancelToken& cancel = {});

    // The closing message of a completed run.
    static std::string summaryText(const RunRecord& record);

    const EngineServices& services() const { return services_; }

private:
    EngineServices services_;
};

} // namespace keldra
