#include "screens/backups/BackupsTexts.h"

#include <QStringList>

namespace keldra {

AppModelView::SuggestedFolders openSuggestions(const AppModelView::SuggestedFolders& suggested,
                                               const std::vector<BackupSource>& sources) {
    AppModelView::SuggestedFolders open;
    for (const auto& suggestion : suggested) {
        const std::string path = standardizedPath(suggestion.second).string();
        const bool taken = std::any_of(sources.begin(), sources.end(),
                                       [&](const BackupSource& source) { return source.path == path; });
        if (!taken) {
            open.push_back(suggestion);
        }
    }
    return open;
}

QString skippedText(const BackupSettings& settings) {
    QStringList phrases;
    if (settings.excludeSystemJunk) {
        phrases << QStringLiteral("system files (.DS_Store), temporary files");
    }
    if (settings.excludeCaches) {
        phrases << QStringLiteral("caches and the Trash");
    }
    if (settings.excludeDeveloperFolders) {
        phrases << QStringLiteral("developer build folders");
    }
    if (!settings.customExclusions.empty()) {
        QStringList patterns;
        for (const std::string& pattern : settings.customExclusions) {
            patterns << QString::fromStdString(pattern);
        }
        phrases << patterns.join(QStringLiteral(", "));
    }
    phrases << QStringLiteral("symbolic links");
    QString text = phrases.join(QStringLiteral("; "));
    text[0] = text[0].toUpper();
    return text + QStringLiteral(". Change in Settings \u203A Backup.");
}

DroppedItems splitDroppedUrls(const QList<QUrl>& urls) {
    DroppedItems items;
    for (const QUrl& url : urls) {
        const bool here =
            url.isLocalFile() && (url.host().isEmpty() || url.host() == QStringLiteral("localhost"));
        if (here) {
            items.local.emplace_back(url.path(QUrl::FullyDecoded).toStdString());
        } else {
            ++items.refused;
        }
    }
    return items;
}

} // namespace keldra
