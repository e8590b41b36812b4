#pragma once

#include "core/events/EndRun.h"
#include "core/events/LogLine.h"
#include "core/events/RunOutcome.h"
#include "core/index/IndexRows.h"

#include <cstdint>
#include <exception>
#include <string>

namespace keldra {

// One way a cloud run can end: the runs row's status, the outcome for the app model, the message stored in
// the row and shown as the run's last log line, and that line's tone.
struct RunEnding {
    RunStatus status = RunStatus::failed;
    RunOutcome outcome = RunOutcome::failed({});
    std::string message;
    LogLine::Tone tone = LogLine::Tone::error;

    static RunEnding verifierMissing();
    static RunEnding keyMismatch();
    static RunEnding deviceFolderMissing();
    static RunEnding keldraMismatch(std::int64_t missing, std::int64_t protectedCount);
    static RunEnding massChangeReview(std::int64_t changed, std::int64_t removed,
                                      std::int64_t protectedCount);
    static RunEnding cancelled();
    static RunEnding blocked(const BlockReason& reason);
    static RunEnding failed(const std::string& text);
    // Completion: succeeded with the summary, or partial when any file failed.
    static RunEnding completed(const RunRecord& record);

    // Cancellation, a blocking portal error, or a failure with the error's own text.
    static RunEnding forError(std::exception_ptr error);
};

// "3 uploaded (1.2 MB) · 2 couldn't be backed up · 4 old copies removed", or "Nothing new to upload".
std::string runSummaryText(const RunRecord& record);

} // namespace keldra
