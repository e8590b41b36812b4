#include "screens/activity/RunTexts.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "design/theme/OLColor.h"

#include <chrono>

namespace keldra {

namespace {
const QString dash = QStringLiteral("\u2014");

QString count(std::int64_t value) {
    return QString::fromStdString(formatCount(value));
}
} // namespace

QString runStatusTitle(RunStatus status) {
    switch (status) {
    case RunStatus::running:
        return QStringLiteral("Running");
    case RunStatus::succeeded:
        return QStringLiteral("Completed");
    case RunStatus::partial:
        return QStringLiteral("Completed with issues");
    case RunStatus::failed:
        return QStringLiteral("Failed");
    case RunStatus::cancelled:
        return QStringLiteral("Stopped");
    case RunStatus::paused:
        return QStringLiteral("Paused for review");
    case RunStatus::blocked:
        return QStringLiteral("Blocked");
    }
    return QStringLiteral("Failed");
}

StatusTone runStatusTone(RunStatus status) {
    switch (status) {
    case RunStatus::succeeded:
        return StatusTone::secure;
    case RunStatus::failed:
    case RunStatus::blocked:
        return StatusTone::danger;
    case RunStatus::running:
    case RunStatus::partial:
    case RunStatus::cancelled:
    case RunStatus::paused:
        return StatusTone::warning;
    }
    return StatusTone::danger;
}

OLRgba runStatusDotColor(RunStatus status) {
    switch (runStatusTone(status)) {
    case StatusTone::secure:
        return OLColor::toneSecure;
    case StatusTone::danger:
        return OLColor::toneDanger;
    case StatusTone::warning:
    case StatusTone::info:
        return OLColor::toneWarning;
    }
    return OLColor::toneWarning;
}

QString runPhaseLabel(RunPhase phase) {
    switch (phase) {
    case RunPhase::preparing:
        return QStringLiteral("Preparing");
    case RunPhase::checking:
        return QStringLiteral("Checking your Keldra");
    case RunPhase::scanning:
        return QStringLiteral("Looking for changes");
    case RunPhase::uploading:
        return QStringLiteral("Uploading");
    case RunPhase::copying:
        return QStringLiteral("Copying to drive");
    case RunPhase::cleaning:
        return QStringLiteral("Tidying old versions");
    }
    return QStringLiteral("Preparing");
}

QString runDurationText(const RunRecord& run) {
    if (!run.finishedAt) {
        return dash;
    }
    const double seconds = std::chrono::duration<double>(*run.finishedAt - run.startedAt).count();
    return QString::fromStdString(formatDuration(std::max(0.0, seconds)));
}

QString runUploadedCell(const RunRecord& run) {
    if (run.uploaded < 1) {
        return dash;
    }
    return QString::fromStdString(formatByteCount(run.uploadedBytes));
}

std::vector<DataRowModel> runDetailRows(const RunRecord& run) {
    std::vector<DataRowModel> rows{
        {QStringLiteral("Trigger"), QString::fromStdString(run.trigger), std::nullopt, false},
        {QStringLiteral("Files checked"), count(run.scanned), std::nullopt, false},
        {QStringLiteral("Uploaded"),
         count(run.uploaded) + QStringLiteral(" \u00B7 ") +
             QString::fromStdString(formatByteCount(run.uploadedBytes)),
         std::nullopt, false},
        {QStringLiteral("Unchanged content"), count(run.skipped), std::nullopt, false},
        {QStringLiteral("Failed"), count(run.failed),
         run.failed >= 1 ? std::optional<StatusTone>(StatusTone::warning) : std::nullopt, false},
        {QStringLiteral("Old copies removed"), count(run.removed), std::nullopt, false},
        {QStringLiteral("Duration"), runDurationText(run), std::nullopt, false},
    };
    return rows;
}

QString failuresHeading(std::size_t count) {
    return QStringLiteral("Not backed up \u00B7 ") + QString::number(count);
}

} // namespace keldra
