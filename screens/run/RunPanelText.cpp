#include "screens/run/RunPanelText.h"

#include "app/model/StatusTexts.h"
#include "core/events/Formatters.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/StoragePresentation.h"

#include <chrono>

namespace keldra {

namespace {

DataRowModel row(const char* label, QString value, std::optional<StatusTone> tone = std::nullopt) {
    return DataRowModel{QString::fromUtf8(label), std::move(value), tone, false};
}

} // namespace

std::vector<DataRowModel> runPanelRows(const AppModelView& app, SystemTime now) {
    std::vector<DataRowModel> rows;
    if (const auto& last = app.lastSuccess()) {
        rows.push_back(row("Last backup", qtext(formatLogTimestamp(*last, now))));
    } else {
        rows.push_back(row("Last backup", QStringLiteral("Never"), StatusTone::warning));
    }

    if (auto next = app.nextRunDate()) {
        rows.push_back(row("Next run", qtext(formatLogTimestamp(*next, now))));
    } else {
        rows.push_back(
            row("Next run", app.pausedByUser() ? QStringLiteral("Paused") : QStringLiteral("Manual")));
    }

    if (app.isRunning()) {
        const auto& progress = app.progress();
        rows.push_back(row("Stage", qtext(phaseLabel(progress.phase))));
        rows.push_back(row("Progress", countText(progress.filesDone) + QStringLiteral(" / ") +
                                           countText(progress.filesTotal)));
    }

    // The model keeps these figures at zero while no index is open.
    rows.push_back(row("Files", countText(app.backedUpFileCount())));
    rows.push_back(row("Protected", byteText(app.backedUpBytes())));

    if (const auto& status = app.keldraStatus(); status && status->quotaBytes.value >= 1) {
        rows.push_back(
            row("Keldra used",
                byteText(status->usedBytes.value) + QStringLiteral(" · ") + qtext(storagePercent(*status)),
                storageNearlyFull(status) ? std::optional(StatusTone::warning) : std::nullopt));
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
        rows.push_back(
            row("Failed", countText(last->failed) + QStringLiteral(" files"), StatusTone::warning));
    }
    return rows;
}

QString nextRunLine(const AppModelView& app, SystemTime now) {
    if (app.pausedByUser()) {
        return QStringLiteral("Paused");
    }
    if (auto next = app.nextRunDate()) {
        return QStringLiteral("Next run ") + timestampLower(*next, now);
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
