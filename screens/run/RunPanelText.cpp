#include "screens/run/RunPanelText.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/RunPhase.h"

#include <QLocale>
#include <chrono>

namespace keldra {

namespace {

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QString decimal(std::int64_t count) {
    return QLocale().toString(static_cast<qint64>(count));
}

QString bytes(std::int64_t count) {
    return text(formatByteCount(count));
}

std::string_view runPhaseLabel(RunPhase phase) {
    switch (phase) {
    case RunPhase::preparing:
        return "Preparing";
    case RunPhase::checking:
        return "Checking your Keldra";
    case RunPhase::scanning:
        return "Looking for changes";
    case RunPhase::uploading:
        return "Uploading";
    case RunPhase::copying:
        return "Copying to drive";
    case RunPhase::cleaning:
        return "Tidying old versions";
    }
    return "Preparing";
}

DataRowModel row(const char* label, QString value, std::optional<StatusTone> tone = std::nullopt) {
    return DataRowModel{QString::fromUtf8(label), std::move(value), tone, false};
}

// Share of the quota in use as a whole percent: truncated, and 100 at or above the quota.
int usedPercent(const KeldraStatus& status) {
    const double fraction =
        static_cast<double>(status.usedBytes.value) / static_cast<double>(status.quotaBytes.value);
    return fraction < 1 ? static_cast<int>(fraction * 100) : 100;
}

} // namespace

std::vector<DataRowModel> runPanelRows(const AppModelView& app, SystemTime now) {
    std::vector<DataRowModel> rows;
    if (const auto& last = app.lastSuccess()) {
        rows.push_back(row("Last backup", text(formatLogTimestamp(*last, now))));
    } else {
        rows.push_back(row("Last backup", QStringLiteral("Never"), StatusTone::warning));
    }

    if (auto next = app.nextRunDate()) {
        rows.push_back(row("Next run", text(formatLogTimestamp(*next, now))));
    } else {
        rows.push_back(
            row("Next run", app.pausedByUser() ? QStringLiteral("Paused") : QStringLiteral("Manual")));
    }

    if (app.isRunning()) {
        const auto& progress = app.progress();
        rows.push_back(row("Stage", text(runPhaseLabel(progress.phase))));
        rows.push_back(row("Progress", decimal(progress.filesDone) + QStringLiteral(" / ") +
                                           decimal(progress.filesTotal)));
    }

    // The model keeps these figures at zero while no index is open.
    rows.push_back(row("Files", decimal(app.backedUpFileCount())));
    rows.push_back(row("Protected", bytes(app.backedUpBytes())));

    if (const auto& status = app.keldraStatus(); status && status->quotaBytes.value >= 1) {
        const double fraction =
            static_cast<double>(status->usedBytes.value) / static_cast<double>(status->quotaBytes.value);
        rows.push_back(row("Keldra used",
                           bytes(status->usedBytes.value) + QStringLiteral(" · ") +
                               QString::number(usedPercent(*status)) + QStringLiteral("%"),
                           fraction >= 0.9 ? std::optional(StatusTone::warning) : std::nullopt));
    }

    rows.push_back(row("Encryption", QStringLiteral("AES-256-GCM · on device"), StatusTone::secure));
    if (app.unattended()) {
        rows.push_back(row("Key", QStringLiteral("Keyring · unattended"), StatusTone::secure));
    } else {
        rows.push_back(row("Key", QStringLiteral("Memory · while unlocked")));
    }
    rows.push_back(
        row("Versions", QString::number(app.settings().versionRetentionDays) + QStringLiteral(" days")));

    if (const auto& last = app.lastRun(); last && last->failed >= 1) {
        rows.push_back(row("Failed", decimal(last->failed) + QStringLiteral(" files"), StatusTone::warning));
    }
    return rows;
}

QString nextRunLine(const AppModelView& app, SystemTime now) {
    if (app.pausedByUser()) {
        return QStringLiteral("Paused");
    }
    if (auto next = app.nextRunDate()) {
        return QStringLiteral("Next run ") + text(formatLogTimestamp(*next, now)).toLower();
    }
    if (app.settings().schedule.kind == ScheduleKind::manual) {
        return QStringLiteral("Runs when you click Back up now");
    }
    return QStringLiteral("—");
}

std::vector<DataRowModel> runPanelRows(const AppModelView& app) {
    return runPanelRows(app, std::chrono::system_clock::now());
}

QString nextRunLine(const AppModelView& app) {
    return nextRunLine(app, std::chrono::system_clock::now());
}

} // namespace keldra
