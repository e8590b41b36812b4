#include "drive/run/LocalBackupEngine.h"

#include "core/events/ByteCount.h"
#include "core/events/NumberFormat.h"
#include "drive/run/DriveErrors.h"
#include "drive/run/DriveRun.h"

namespace keldra {

namespace {

// Hands the turn back when a run ends, however it ends.
class Turn {
public:
    Turn(std::mutex& mutex, std::condition_variable_any& turnFree, bool& running)
        : mutex_(mutex), turnFree_(turnFree), running_(running) {}
    ~Turn() {
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        turnFree_.notify_one();
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

private:
    std::mutex& mutex_;
    std::condition_variable_any& turnFree_;
    bool& running_;
};

} // namespace

LocalRunResult LocalBackupEngine::run(const LocalRunRequest& request, BackupIndex& index,
                                      const EngineEventHandler& onEvent, const CancelToken& cancel) {
    {
        std::unique_lock lock(mutex_);
        if (!turnFree_.wait(lock, cancel, [this] { return !running_; })) {
            // Stopped while another run still had the drive: this one never started.
            return {request.destination.id, std::nullopt, LocalOutcome::cancelled(), std::nullopt, false};
        }
        running_ = true;
    }
    const Turn turn(mutex_, turnFree_, running_);
    try {
        DriveRun run(services_, request, index, onEvent, cancel);
        return run.run();
    } catch (const std::exception& error) {
        // Only the caller's event handler can get here; the run itself ends every error in an outcome.
        const std::string message = driveErrorText(error);
        return {request.destination.id, std::nullopt, LocalOutcome::failed(message), std::nullopt, false};
    }
}

std::string LocalBackupEngine::summaryText(const RunRecord& record) {
    std::string summary = record.uploaded >= 1 ? formatCount(record.uploaded) + " copied (" +
                                                     formatByteCount(record.uploadedBytes) + ")"
                                               : std::string("Nothing new to copy");
    if (record.failed >= 1) {
        summary += " \u00b7 " + formatCount(record.failed) + " couldn't be copied";
    }
    if (record.removed >= 1) {
        summary += " \u00b7 " + formatCount(record.removed) + " old copies removed";
    }
    return summary;
}

} // namespace keldra
