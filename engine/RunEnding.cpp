#include "engine/RunEnding.h"

#include "core/events/ByteCount.h"
#include "core/events/NumberFormat.h"
#include "service/api/BlockReasonMapping.h"
#include "service/api/KeldraAPIError.h"

#include <new>

namespace keldra {

RunEnding RunEnding::verifierMissing() {
    return {RunStatus::blocked, RunOutcome::verifierMissing(),
            "Your Keldra has no passphrase set any more. Set one up again to continue.",
            LogLine::Tone::error};
}

RunEnding RunEnding::keyMismatch() {
    return {RunStatus::blocked, RunOutcome::keyMismatch(),
            "Your Keldra passphrase has changed. Unlock with the current passphrase to continue.",
            LogLine::Tone::error};
}

RunEnding RunEnding::deviceFolderMissing() {
    return {RunStatus::failed, RunOutcome::deviceFolderMissing(),
            "This computer's backup folder is no longer in the Keldra. A new one is being created.",
            LogLine::Tone::warning};
}

RunEnding RunEnding::keldraMismatch(std::int64_t missing, std::int64_t protectedCount) {
    return {RunStatus::paused, RunOutcome::keldraMismatch(missing, protectedCount),
            formatCount(missing) + " of " + formatCount(protectedCount) +
                " backed-up files aren't in the Keldra listing. Paused for review.",
            LogLine::Tone::warning};
}

RunEnding RunEnding::massChangeReview(std::int64_t changed, std::int64_t removed,
                                      std::int64_t protectedCount) {
    return {RunStatus::paused, RunOutcome::massChangeReview(changed, removed, protectedCount),
            formatCount(changed) + " files changed and " + formatCount(removed) +
                " removed since the last backup. Paused for review.",
            LogLine::Tone::warning};
}

RunEnding RunEnding::cancelled() {
    return {RunStatus::cancelled, RunOutcome::cancelled(),
            "Stopped. The next run picks up where this one stopped.", LogLine::Tone::warning};
}

RunEnding RunEnding::blocked(const BlockReason& reason) {
    return {RunStatus::blocked, RunOutcome::blocked(reason), reason.message(), LogLine::Tone::error};
}

RunEnding RunEnding::failed(const std::string& text) {
    return {RunStatus::failed, RunOutcome::failed(text), text, LogLine::Tone::error};
}

RunEnding RunEnding::completed(const RunRecord& record) {
    std::string summary = runSummaryText(record);
    if (record.failed >= 1) {
        return {RunStatus::partial, RunOutcome::completedWithFailures(record.failed), std::move(summary),
                LogLine::Tone::warning};
    }
    return {RunStatus::succeeded, RunOutcome::completed(), std::move(summary), LogLine::Tone::ok};
}

RunEnding RunEnding::forError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const CancelledError&) {
        return cancelled();
    } catch (const KeldraAPIError& apiError) {
        if (auto reason = blockReason(apiError)) {
            return blocked(*reason);
        }
        return failed(apiError.message());
    } catch (const Error& other) {
        return failed(other.message());
    } catch (const std::bad_alloc&) {
        return failed("Not enough free memory to finish this backup. The next run tries again.");
    } catch (const std::exception& other) {
        return failed(other.what());
    } catch (...) {
        return failed("The backup stopped because of an unexpected error. The next run tries again.");
    }
}

std::string runSummaryText(const RunRecord& record) {
    std::string text;
    if (record.uploaded < 1) {
        text = "Nothing new to upload";
    } else {
        text = formatCount(record.uploaded) + " uploaded (" + formatByteCount(record.uploadedBytes) + ")";
    }
    if (record.failed >= 1) {
        text += " \u00b7 " + formatCount(record.failed) + " couldn't be backed up";
    }
    if (record.removed >= 1) {
        text += " \u00b7 " + formatCount(record.removed) + " old copies removed";
    }
    return text;
}

} // namespace keldra
