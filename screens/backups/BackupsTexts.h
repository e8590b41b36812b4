#pragma once
// What the Backups page derives from the model on every redraw: the suggestions still open, the sentence
// of what is skipped, a source's name, and which dropped items become sources. Plain functions.

#include "app/model/AppModelView.h"

#include <QList>
#include <QString>
#include <QUrl>

namespace keldra {

// The suggested folders whose standardised path is not exactly the path of a source (a source written with
// a trailing slash does not hide its suggestion).
AppModelView::SuggestedFolders openSuggestions(const AppModelView::SuggestedFolders& suggested,
                                               const std::vector<BackupSource>& sources);

// "System files (.DS_Store), temporary files; caches and the Trash; …; symbolic links. Change in Settings ›
// Backup."
QString skippedText(const BackupSettings& settings);

// What a drop hands over: files on this computer become sources; web links and network places
// ("smb:", "file://host/…") are left out and reported.
struct DroppedItems {
    std::vector<std::filesystem::path> local;
    int refused = 0;
};
DroppedItems splitDroppedUrls(const QList<QUrl>& urls);

} // namespace keldra
