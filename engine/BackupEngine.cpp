#include "engine/BackupEngine.h"

#include "engine/CloudRun.h"

namespace keldra {

RunResult BackupEngine::run(const RunRequest& request, const EngineEventHandler& onEvent,
                            const CancelToken& cancel) {
    CloudRun run(services_, request, onEvent, cancel);
    return run.execute();
}

std::string BackupEngine::summaryText(const RunRecord& record) {
    return runSummaryText(record);
}

} // namespace keldra
