#include "screens/backups/DriveTexts.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "screens/presentation/ScreenFormats.h"

#include <QStringList>

namespace keldra {

namespace {
const QString separator = QStringLiteral(" \u00B7 ");
const QString chevron = QStringLiteral(" \u203A ");

QString bytes(std::int64_t value) {
    return QString::fromStdString(formatByteCount(value));
}
} // namespace

QString driveStatusLine(const LocalDestination& destination, const DriveState& state, SystemTime now) {
    if (state.problem) {
        return QString::fromStdString(*state.problem);
    }
    QStringList phrases;
    QString location = QString::fromStdString(destination.name);
    if (!destination.folderInVolume.empty()) {
        location +=
            chevron + QString::fromStdString(destination.folderInVolume).replace(QLatin1Char('/'), chevron);
    }
    phrases << location;
    if (destination.isBootVolume) {
        phrases << QStringLiteral("same disk as this computer");
    }
    phrases << (state.lastSuccess ? QStringLiteral("last copy ") + timestampLower(*state.lastSuccess, now)
                                  : QStringLiteral("not copied yet"));
    if (!destination.enabled) {
        phrases << QStringLiteral("paused");
    }
    return phrases.join(separator);
}

QString driveFiguresText(const DriveState& state) {
    return QString::fromStdString(formatCount(state.files)) + QStringLiteral(" files") + separator +
           bytes(state.bytes);
}

std::optional<QString> driveFreeText(const DriveState& state) {
    if (!state.freeBytes) {
        return std::nullopt;
    }
    return bytes(*state.freeBytes) + QStringLiteral(" free");
}

std::optional<QString> offsiteUsageText(const std::optional<KeldraStatus>& status) {
    if (!status || status->quotaBytes.value < 1) {
        return std::nullopt;
    }
    return usedOfQuotaText(status->usedBytes.value, status->quotaBytes.value);
}

QString offsiteLastText(const std::optional<SystemTime>& lastSuccess, SystemTime now) {
    if (!lastSuccess) {
        return QStringLiteral("Not backed up yet");
    }
    return QStringLiteral("Last ") + timestampLower(*lastSuccess, now);
}

} // namespace keldra
