#pragma once
// The screens' use of the one set of formatters in core/events (formatCount, formatByteCount,
// formatThroughput, formatLogTimestamp): the case changes and joins their texts get on screen.

#include "core/seams/Clock.h"
// countText, byteText and shownName: the figures and names every screen shows, made beside the Restore
// screen that needed them first.
#include "screens/restore/RestoreTexts.h"

#include <QString>
#include <string>

namespace keldra {

// Lower-cased as a whole, by Unicode rules ("Today 3:07 PM" gives "today 3:07 pm").
std::string lowerCased(const std::string& text);

// A core formatter's UTF-8 text as a Qt string.
QString qtext(const std::string& text);

// The used and the quota size: "9.5 GB of 10 GB".
QString usedOfQuotaText(std::int64_t used, std::int64_t quota);
// formatLogTimestamp lower-cased: "today 3:07 pm", for texts that continue a sentence.
QString timestampLower(SystemTime date, SystemTime now);

} // namespace keldra
