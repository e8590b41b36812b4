#include "screens/backups/DriveTexts.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "screens/presentation/ScreenFormats.h"

#include <QDir>
#include <QStringList>
#include <pwd.h>
#include <unistd.h>

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

std::filesystem::path driveDialogStart(const std::string& user, const std::filesystem::path& home,
                                       const std::function<bool(const std::filesystem::path&)>& isFolder) {
    std::vector<std::filesystem::path> places;
    if (!user.empty()) {
        places.push_back(std::filesystem::path("/run/media") / user);
        places.push_back(std::filesystem::path("/media") / user);
    }
    places.emplace_back("/media");
    places.emplace_back("/mnt");
    for (const auto& place : places) {
        if (isFolder(place)) {
            return place;
        }
    }
    return home;
}

std::filesystem::path driveDialogStart() {
    std::string user;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
        user = entry->pw_name;
    }
    return driveDialogStart(user, QDir::homePath().toStdString(), [](const std::filesystem::path& place) {
        std::error_code ignored;
        return std::filesystem::is_directory(place, ignored);
    });
}

} // namespace keldra
