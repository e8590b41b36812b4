#include "screens/restore/RestoreTexts.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "core/text/ShownPath.h"
#include "restore/model/SearchText.h"
#include "service/types/ServerDate.h"

#include <QStringList>
#include <algorithm>
#include <filesystem>

namespace keldra {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

bool isDrive(const std::optional<RestoreSource>& source) {
    return source && source->isDrive();
}

} // namespace

QString shownName(std::string_view text) {
    return fromUtf8(shownText(text));
}

QString countText(std::int64_t count) {
    return fromUtf8(formatCount(count));
}

QString byteText(std::int64_t bytes) {
    return fromUtf8(formatByteCount(bytes));
}

std::optional<QString> versionDateText(const RemoteEntry& entry, SystemTime now) {
    const std::optional<SystemTime> date = parseServerDate(entry.file.createdAt);
    if (!date) {
        return std::nullopt;
    }
    return fromUtf8(formatLogTimestamp(*date, now));
}

QString listedLine(const std::optional<RestoreSource>& source, SystemTime loadedAt, SystemTime now,
                   std::int64_t files, std::int64_t versions) {
    const QString place = isDrive(source) ? QStringLiteral("the drive") : QStringLiteral("your Keldra");
    return QStringLiteral("Listed from ") + place + QLatin1Char(' ') +
           fromUtf8(formatRelativeAge(loadedAt, now)) + QStringLiteral(". ") + countText(files) +
           QStringLiteral(" files, ") + countText(versions) + QStringLiteral(" versions.");
}

QString nodeAccessibleText(const RestoreNode& node) {
    if (node.isFolder()) {
        return QStringLiteral("Folder ") + shownName(node.name) + QStringLiteral(", ") +
               QString::number(node.fileCount) + QStringLiteral(" files");
    }
    return QStringLiteral("File ") + shownName(node.name);
}

QString restoreButtonTitle(const RestoreNode& node) {
    if (node.isFolder()) {
        return QStringLiteral("Restore ") + countText(node.fileCount) + QStringLiteral(" files");
    }
    return QStringLiteral("Restore");
}

QString progressText(const RestoreProgress& progress) {
    const int total = std::max(progress.total, 0);
    const int current = std::clamp(progress.done + 1, 0, total);
    return QStringLiteral("Restoring ") + countText(current) + QStringLiteral(" of ") + countText(total);
}

double progressFraction(const RestoreProgress& progress) {
    double fraction = 0;
    if (progress.bytesTotal >= 1) {
        fraction = static_cast<double>(progress.bytesDone) / static_cast<double>(progress.bytesTotal);
    } else if (progress.total > 0) {
        fraction = static_cast<double>(progress.done) / static_cast<double>(progress.total);
    }
    return std::clamp(fraction, 0.0, 1.0);
}

BannerText summaryBanner(const RestoreSummary& summary) {
    if (!summary.failures.empty()) {
        QStringList lines;
        for (std::size_t i = 0; i < summary.failures.size() && i < 3; ++i) {
            const RestoreFailure& failure = summary.failures[i];
            const std::string last = std::filesystem::path(failure.path).filename().string();
            lines << shownName(last.empty() ? failure.path : last) + QStringLiteral(": ") +
                         shownName(failure.reason);
        }
        return {StatusTone::warning,
                countText(static_cast<std::int64_t>(summary.failures.size())) +
                    QStringLiteral(" files weren't restored"),
                lines.join(QLatin1Char('\n'))};
    }
    return {StatusTone::secure,
            summary.cancelled ? QStringLiteral("Restore stopped") : QStringLiteral("Restored"),
            countText(summary.restored) + QStringLiteral(" files (") + byteText(summary.restoredBytes) +
                QStringLiteral(") are back.")};
}

QString deleteButtonTitle(bool isDeleting, const std::optional<RestoreSource>& source) {
    if (isDeleting) {
        return QStringLiteral("Deleting\u2026");
    }
    return isDrive(source) ? QStringLiteral("Delete from drive\u2026")
                           : QStringLiteral("Delete from Keldra\u2026");
}

QString deleteDialogTitle(const std::optional<RestoreSource>& source) {
    return isDrive(source) ? QStringLiteral("Delete from this drive?")
                           : QStringLiteral("Delete from your Keldra?");
}

QString deleteDialogMessage(const RestoreNode* selection, const std::optional<RestoreSource>& source) {
    const QString what = selection ? shownName(selection->name) : QStringLiteral("the selection");
    const QString where = isDrive(source) ? QStringLiteral("this drive") : QStringLiteral("your Keldra");
    return QStringLiteral("This permanently deletes ") + what +
           QStringLiteral(" and all its versions from ") + where +
           QStringLiteral(
               ". If it's still in a backed-up folder on this computer, it will be backed up again "
               "on the next run.");
}

QString noMatchText(const std::string& query) {
    return QStringLiteral("No backed-up files match \u201C") + shownName(query) + QStringLiteral("\u201D.");
}

QString unreadableNotice(std::int64_t count) {
    return QString::number(count) +
           QStringLiteral(" items in this folder don't open with your key and aren't shown.");
}

bool isSearchQuery(const std::string& query) {
    return hasAtLeastCharacters(trimSearchText(query), 2);
}

} // namespace keldra
