#pragma once
// The Restore screen's texts, worked out from the model's values. Counts and sizes are core's formatters
// under the application's one number format (app/model/NumberLocale). Every name and path passes through
// shownName, so a control character or a bidirectional override shows as a visible escape.

#include "app/model/ThemeValues.h"
#include "core/seams/Clock.h"
#include "restore/engine/RestoreProgress.h"
#include "restore/model/RestoreSource.h"
#include "restore/tree/RestoreNode.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// A name, path or message from data, escaped for display (what is stored never changes).
QString shownName(std::string_view text);

// formatCount's text: "1,234" in English.
QString countText(std::int64_t count);
// formatByteCount's text: "1.5 MB" in English.
QString byteText(std::int64_t bytes);

// The date column and version rows: formatLogTimestamp of the version's creation date, or none.
std::optional<QString> versionDateText(const RemoteEntry& entry, SystemTime now);

// "Listed from the drive 2 min ago. 1 files, 3 versions."
QString listedLine(const std::optional<RestoreSource>& source, SystemTime loadedAt, SystemTime now,
                   std::int64_t files, std::int64_t versions);

// "Folder Documents, 3 files" or "File report.pdf".
QString nodeAccessibleText(const RestoreNode& node);

// "Restore 1,234 files" for a folder, "Restore" for a file.
QString restoreButtonTitle(const RestoreNode& node);

// "Restoring 1 of 3": the item in work, never beyond the total.
QString progressText(const RestoreProgress& progress);
// The bar's fill, 0 to 1: bytes when any are expected, else items. Bytes come from the engine and totals
// from the listing, so the ratio is clamped.
double progressFraction(const RestoreProgress& progress);

struct BannerText {
    StatusTone tone = StatusTone::secure;
    QString title;
    QString message;
    friend bool operator==(const BannerText&, const BannerText&) = default;
};
BannerText summaryBanner(const RestoreSummary& summary);

// The delete button, the dialog's title and its message, worded for the source.
QString deleteButtonTitle(bool isDeleting, const std::optional<RestoreSource>& source);
QString deleteDialogTitle(const std::optional<RestoreSource>& source);
QString deleteDialogMessage(const RestoreNode* selection, const std::optional<RestoreSource>& source);

// "No backed-up files match “<query as typed>”."
QString noMatchText(const std::string& query);
// "<n> items in this folder don't open with your key and aren't shown."
QString unreadableNotice(std::int64_t count);

// The search mode starts at two characters once spaces and tabs are trimmed from both ends.
bool isSearchQuery(const std::string& query);

} // namespace keldra
