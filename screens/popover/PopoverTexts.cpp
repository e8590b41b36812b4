#include "screens/popover/PopoverTexts.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "screens/presentation/StoragePresentation.h"

namespace keldra {

QString storageUsedText(const std::optional<KeldraStatus>& status) {
    if (!status) {
        return QStringLiteral("\u2014");
    }
    return QString::fromStdString(formatByteCount(status->usedBytes.value)) + QStringLiteral(" \u00B7 ") +
           QString::fromStdString(storagePercent(*status));
}

DataRowModel keyRow(bool unattended, bool keyHeld) {
    if (unattended) {
        return {QStringLiteral("Key"), QStringLiteral("Keyring"), StatusTone::secure, false};
    }
    return {QStringLiteral("Key"), keyHeld ? QStringLiteral("Memory") : QStringLiteral("Locked"),
            std::nullopt, false};
}

std::vector<DataRowModel> popoverRows(const AppModelView& app) {
    const SystemTime now = app.now();
    std::vector<DataRowModel> rows;
    if (const auto& last = app.lastSuccess()) {
        rows.push_back({QStringLiteral("Last backup"), QString::fromStdString(formatLogTimestamp(*last, now)),
                        std::nullopt, false});
    } else {
        rows.push_back({QStringLiteral("Last backup"), QStringLiteral("Never"), StatusTone::warning, false});
    }
    const auto next = app.nextRunDate();
    rows.push_back({QStringLiteral("Next run"),
                    next ? QString::fromStdString(formatLogTimestamp(*next, now)) : QStringLiteral("\u2014"),
                    std::nullopt, false});
    rows.push_back({QStringLiteral("Keldra used"), storageUsedText(app.keldraStatus()), std::nullopt, false});
    rows.push_back(keyRow(app.unattended(), app.keldraKey().has_value()));
    return rows;
}

} // namespace keldra
